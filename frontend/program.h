// Start-up: the name prompt, then the console game or, for the name
// "xboard", the protocol mode.
#pragma once

#include <cstdio>

// Runs the whole program on the given streams and returns its exit status.
// `moveLimit` caps the moves of the game (kNoMoveLimit for none).
int RunProgram(std::FILE* in, std::FILE* out, long moveLimit);
