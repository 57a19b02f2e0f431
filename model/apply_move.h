// Playing a move on a board: the only operation that moves pieces.
#pragma once

#include "model/board.h"

// Plays `move` from `source` into `destination` (which may be the same board):
// captures, the rook's move when a king castles, promotion to a queen and the
// en passant capture. Clears in `move` the castling rights the move destroys.
void ApplyMove(const Board* source, Move* move, Board* destination);
