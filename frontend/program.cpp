#include "frontend/program.h"

#include <csignal>
#include <cstdlib>
#include <string>

#include "frontend/console_game.h"
#include "frontend/input_stream.h"
#include "frontend/protocol.h"
#include "frontend/text_input.h"
#include "frontend/uci.h"

namespace {

int RunOn(InputStream* in, std::FILE* out, const std::function<bool()>& searchBound) {
  std::fputs("Hello, please enter your name: ", out);
  std::string name;
  if (ReadWord(in, &name) == ReadStatus::kEndOfInput) return kExitSuccess;
  DropChar(in);
  std::fputs("\n", out);
  if (name == "xboard" || name == "uci") {
    // A board interrupts its engines with SIGINT; this engine reads its
    // input while it thinks instead, and the default action would end it.
    // A board ends its engine with SIGTERM: that is a normal end, as "quit"
    // is.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, [](int) { std::_Exit(kExitSuccess); });
  }
  if (name == "xboard") return RunProtocolMode(in, out, searchBound);
  if (name == "uci") return RunUciMode(in, out, searchBound);
  return RunConsoleGame(in, out, name);
}

}  // namespace

int RunProgram(std::FILE* in, std::FILE* out) { return RunProgram(in, out, nullptr); }

int RunProgram(std::FILE* in, std::FILE* out, const std::function<bool()>& searchBound) {
  InputStream input;
  input.file = in;
  const int status = RunOn(&input, out, searchBound);
  // Every mode ends on a line it has read, so no reader is at work by now;
  // none may outlive the run.
  FinishReadingAhead(&input);
  return status;
}
