// The console's picture of the board, its move notation, and the entry of
// the human's move square by square.
#pragma once

#include <cstdio>
#include <string>

#include "frontend/input_stream.h"
#include "model/board.h"

// Ranks 8 down to 1, White at the bottom, then the file letters.
void PrintBoard(std::FILE* out, const Board* board);

// The move in coordinate notation (e2e4) and a line end.
void PrintMove(std::FILE* out, Move move);

// Asks for origin and target squares until they make a legal move for the
// side to move, and returns it. On end of input sets `*endOfInput` to 1 and
// returns `lastMove`.
Move ReadHumanMove(InputStream* in, std::FILE* out, const Board* board, Move lastMove, const std::string& name,
                   int* endOfInput);

// Writes "\nCheck!" once for each king that stands in check.
void PrintCheckNotices(std::FILE* out, const Board* board, Move lastMove);
