// Test positions from their standard text form (FEN), and moves as text.
#pragma once

#include <cstdint>
#include <string>

#include "model/board.h"

struct Position {
  Board board;
  Move lastMove;
};

// Reads the piece placement, side to move, castling rights and en passant
// square of a FEN record into a board and a last-move record. With an en
// passant square, the last move is the pawn's double step past it. Otherwise
// it is a move of the king of the side that moved last, from its square onto
// the same square: that tells who is to move and lets no pawn take en
// passant. Returns false on a malformed record.
bool PositionFromFen(const std::string& fen, Position* position);

// The FEN of a position (placement, side, castling, en passant square only
// when a pawn of the side to move can take there; clocks "0 1").
std::string FenFromPosition(const Position& position);

// A move from coordinate text such as "e2e4", carrying the rights of
// `lastMove`.
Move MoveFromText(const std::string& text, Move lastMove);
std::string MoveText(Move move);
