// One game in the console between the human and the computer.
#pragma once

#include <cstdio>
#include <string>

// No limit on the number of moves a game may have.
constexpr long kNoMoveLimit = -1;

// Plays the game with the human called `name`; ends after mate or stalemate
// and the final Enter, at end of input, or after `moveLimit` moves when that
// is not kNoMoveLimit. Returns the exit status.
int RunConsoleGame(std::FILE* in, std::FILE* out, const std::string& name, long moveLimit);
