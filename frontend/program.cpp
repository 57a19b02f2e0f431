#include "frontend/program.h"

#include <string>

#include "frontend/console_game.h"
#include "frontend/protocol.h"
#include "frontend/text_input.h"

int RunProgram(std::FILE* in, std::FILE* out) {
  std::fputs("Hello, please enter your name: ", out);
  std::string name;
  if (ReadWord(in, &name) == ReadStatus::kEndOfInput) return kExitSuccess;
  DropChar(in);
  std::fputs("\n", out);
  if (name == "xboard") return RunProtocolMode(in, out);
  return RunConsoleGame(in, out, name);
}
