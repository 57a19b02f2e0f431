// The chess program: one game against the computer in the console, or an
// engine for a graphical board when the name typed is "xboard" or "uci".
#include <cstdio>

#include "frontend/program.h"

int main() {
  // Every write reaches the terminal or the board program at once.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return RunProgram(stdin, stdout);
}
