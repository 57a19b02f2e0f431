// Test positions from their standard text form (FEN), and move counting.
#pragma once

#include <cstdint>
#include <string>

#include "model/board.h"

struct Position {
  Board board;
  Move lastMove;
};

// Reads the piece placement, side to move, castling rights and en passant
// square of a FEN record into a board and a last-move record: the last move
// is the double step when there is an en passant square, otherwise a move
// onto a king of the side that just moved... kept on its own square, so that
// no pawn may take en passant. Returns false on a malformed record.
bool PositionFromFen(const std::string& fen, Position* position);

// The FEN of a position (placement, side, castling, en passant square only
// when a pawn of the side to move can take there; clocks "0 1").
std::string FenFromPosition(const Position& position);

// A move from coordinate text such as "e2e4", carrying the rights of
// `lastMove`.
Move MoveFromText(const std::string& text, Move lastMove);
std::string MoveText(Move move);
