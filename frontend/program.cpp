#include "frontend/program.h"

#include <string>

#include "frontend/console_game.h"
#include "frontend/protocol.h"
#include "frontend/text_input.h"

int RunProgram(std::FILE* in, std::FILE* out, long moveLimit) {
  std::fputs("Hello, please enter your name: ", out);
  std::string name;
  if (ReadWord(in, &name) == ReadStatus::kEndOfInput) return 0;
  DropChar(in);
  std::fputs("\n", out);
  if (name == "xboard") return RunProtocolMode(in, out, moveLimit);
  return RunConsoleGame(in, out, name, moveLimit);
}
