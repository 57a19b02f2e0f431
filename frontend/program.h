// Start-up: the name prompt, then the console game or, for the name
// "xboard" or "uci", the protocol a graphical board speaks.
#pragma once

#include <cstdio>
#include <functional>

// The program's only exit status: the game has ended, the input has ended,
// or the board program has said "quit".
constexpr int kExitSuccess = 0;

// Runs the whole program on the given streams and returns its exit status.
int RunProgram(std::FILE* in, std::FILE* out);

// The same, every search of the protocols also ending (after the depths
// that always complete) once `searchBound` says so: for a harness that runs
// the program in process and cannot wait for the deepest searches.
int RunProgram(std::FILE* in, std::FILE* out, const std::function<bool()>& searchBound);
