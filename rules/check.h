// Whether a king is in check, and whether a square is attacked. A piece
// attacks a square when its movement rule reaches it; pawns attack along
// their capturing diagonals and a king only the eight squares around it.
#pragma once

#include "model/board.h"

// `move` is the move that produced the position (the pawns' last move for
// en passant and the carrier of castling rights).
int IsWhiteInCheck(const Board* board, Move move);
int IsBlackInCheck(const Board* board, Move move);

// Attacked by a pawn, knight, bishop, rook or queen of that colour; kings are
// not asked. Used for the squares a castling king passes over and lands on.
int IsSquareAttackedByBlack(int file, int rank, const Board* board, Move move);
int IsSquareAttackedByWhite(int file, int rank, const Board* board, Move move);

// Whether the pawn `pawn` ('P' or 'p') stands on a square from which it
// captures onto (file, rank): diagonally behind the square as seen by that
// pawn, whatever stands on the square itself. Its straight steps attack
// nothing.
int IsAttackedByPawn(int file, int rank, const Board* board, char pawn);
