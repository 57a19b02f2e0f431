// Playing a move on a board: the only operation that moves pieces.
#pragma once

#include "model/board.h"

// Plays `move` from `source` into `destination` (which may be the same board):
// captures, the rook's move when a king castles, promotion to a queen and the
// en passant capture. Clears in `move` the castling rights the move destroys.
void ApplyMove(const Board* source, Move* move, Board* destination);

// Whether `move` takes a pawn standing on `board` to its last rank.
bool IsPromotion(const Board* board, Move move);

// ApplyMove, except that a pawn reaching its last rank becomes `promotion`
// (q, r, b or n, in either case; any other letter gives a queen), in the
// mover's colour.
void ApplyMovePromotingTo(const Board* source, Move* move, char promotion, Board* destination);
