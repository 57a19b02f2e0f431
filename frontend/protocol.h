// The line protocol a graphical chess board speaks to its engines: command
// words and coordinate moves in, "move " lines and result lines out.
#pragma once

#include <cstdio>
#include <string>

#include "model/board.h"

// The move named by the first four characters of `word` (such as e2e4),
// carrying the rights of `lastMove`. Nothing is checked.
Move ParseCoordinateMove(const std::string& word, Move lastMove);

// Runs the protocol until "quit" or end of input. Returns the exit status.
int RunProtocolMode(std::FILE* in, std::FILE* out);
