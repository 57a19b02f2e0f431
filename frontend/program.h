// Start-up: the name prompt, then the console game or, for the name
// "xboard" or "uci", the protocol a graphical board speaks.
#pragma once

#include <cstdio>

// The program's only exit status: the game has ended, the input has ended,
// or the board program has said "quit".
constexpr int kExitSuccess = 0;

// Runs the whole program on the given streams and returns its exit status.
int RunProgram(std::FILE* in, std::FILE* out);
