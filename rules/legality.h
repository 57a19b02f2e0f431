// The single legality test for every move the program plays or accepts.
#pragma once

#include "model/board.h"

// 1 when `move` is legal on `board` for the side to move, 0 otherwise.
// `lastMove` produced the position: the piece on its target square tells who
// moved last (an upper-case letter there means Black is to move), and it
// carries the castling rights and the pawns' en passant information.
int IsLegalMove(Move move, const Board* board, Move lastMove);

// The side to move, as a side letter, read from the last move's target.
char SideToMove(const Board* board, Move lastMove);
