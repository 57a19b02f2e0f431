// A position as the rules see it: the board and the last-move record, which
// tells the side to move and carries the castling rights and the en passant
// chance. Positions also come from their standard text form (FEN).
#pragma once

#include <string>

#include "model/board.h"

struct Position {
  Board board;
  Move lastMove;
};

// The initial position, White to move.
Position InitialPosition();

// The position with `board` and `sideToMove` (a side letter), the castling
// rights named in `castling` ("KQkq", "-", ...) and the en passant square
// `enPassant` ("e3", "-"), made as PositionFromFen below describes.
bool PositionFromBoard(const Board& board, char sideToMove, const std::string& castling, const std::string& enPassant,
                       Position* position);

// Reads the piece placement, side to move, castling rights and en passant
// square of a FEN record (the move clocks are not needed). With an en passant
// square behind a pawn that has just made its double step, the last move is
// that step. Otherwise it is a move of the king of the side that moved last,
// from its square onto the same square: that tells who is to move and lets no
// pawn take en passant. A castling right is kept only while its king and rook
// stand on their home squares. False when the record does not parse or the
// side that moved last has no king.
bool PositionFromFen(const std::string& fen, Position* position);
