// Fast legal move generation and attack tests for the search. They give the
// same moves as the legality test, in the same order (origin file, origin
// rank, target file, target rank), but find them from each piece's own
// movement instead of trying every pair of squares.
#pragma once

#include <cstdint>

#include "model/board.h"

struct GeneratedMove {
  std::uint8_t from;  // square index, file * 8 + rank
  std::uint8_t to;
};

// Enough for any position: no legal position has more than 218 moves.
constexpr int kMaxMoves = 256;

struct MoveList {
  GeneratedMove moves[kMaxMoves];
  int count = 0;
};

// Whether a piece of the given colour attacks the square (kings included).
bool IsSquareAttacked(const Board* board, int square, bool byWhite);

// Whether the king of the given colour stands attacked. A missing king is
// never in check.
bool IsKingAttacked(const Board* board, bool whiteKing);

// Whether a piece with the letter `slider` is the first piece met from
// `square` along a diagonal (or, with `diagonal` false, a file or rank).
bool IsReachedAlongRays(const Board* board, int square, bool diagonal, char slider);

// Whether a knight with the letter `knight` stands a knight's jump away.
bool IsReachedByKnight(const Board* board, int square, char knight);

// All legal moves of `side` in the position reached by `lastMove`, in
// generation order; with `capturesOnly`, only those whose target holds an
// enemy piece.
void GenerateLegalMoves(const Board* board, Move lastMove, char side, bool capturesOnly, MoveList* list);

// Whether `side` has at least one legal move.
bool HasLegalMove(const Board* board, Move lastMove, char side);

// The move record for a generated move, carrying the rights of `lastMove`.
inline Move ToMove(GeneratedMove move, Move lastMove) {
  return BuildMove(move.from / kBoardSize, move.from % kBoardSize, move.to / kBoardSize, move.to % kBoardSize,
                   lastMove);
}
