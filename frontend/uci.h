// UCI, the other protocol graphical boards and chess tools speak to their
// engines: the board sends the whole game with each "position" and asks for
// a move with "go"; the engine answers "bestmove".
#pragma once

#include <cstdio>

// Runs UCI, the word "uci" having been read, until "quit" or end of input.
// Returns the exit status.
int RunUciMode(std::FILE* in, std::FILE* out);
