// The single legality test for every move the program plays or accepts.
#pragma once

#include <vector>

#include "model/board.h"

// 1 when `move` is legal on `board` for the side to move, 0 otherwise.
// `lastMove` produced the position: the piece on its target square tells who
// moved last (an upper-case letter there means Black is to move), and it
// carries the castling rights and the pawns' en passant information.
int IsLegalMove(Move move, const Board* board, Move lastMove);

// The side to move, as a side letter, read from the last move's target.
char SideToMove(const Board* board, Move lastMove);

// Every legal move of the side to move, in board order of the origin (files a
// to h, ranks 1 to 8 within a file), then of the target: the order in which
// the plain search meets them and that decides its ties.
std::vector<Move> LegalMoves(const Board* board, Move lastMove);

// A position the rules can play on: one king of each colour, no pawn on the
// first or last rank, and the side that has just moved not in check.
bool IsPlayablePosition(const Board* board, Move lastMove);
