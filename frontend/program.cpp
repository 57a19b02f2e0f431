#include "frontend/program.h"

#include <csignal>
#include <cstdlib>
#include <string>

#include "frontend/console_game.h"
#include "frontend/protocol.h"
#include "frontend/text_input.h"
#include "frontend/uci.h"

int RunProgram(std::FILE* in, std::FILE* out) {
  std::fputs("Hello, please enter your name: ", out);
  std::string name;
  if (ReadWord(in, &name) == ReadStatus::kEndOfInput) return kExitSuccess;
  DropChar(in);
  std::fputs("\n", out);
  if (name == "xboard" || name == "uci") {
    // A board interrupts its engines with SIGINT; this engine has nothing to
    // interrupt, and the default action would end it. A board ends its
    // engine with SIGTERM: that is a normal end, as "quit" is.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, [](int) { std::_Exit(kExitSuccess); });
  }
  if (name == "xboard") return RunProtocolMode(in, out);
  if (name == "uci") return RunUciMode(in, out);
  return RunConsoleGame(in, out, name);
}
