// Fast legal move generation and attack tests for the search. They give the
// same moves as the legality test, in the same order (origin file, origin
// rank, target file, target rank), but find them from each piece's own
// movement instead of trying every pair of squares.
#pragma once

#include <cassert>
#include <cstdint>

#include "engine/side.h"
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

  void Add(GeneratedMove move) {
    assert(count < kMaxMoves);
    moves[count++] = move;
  }
};

// Whether a piece of `attacker` attacks the square (kings included).
bool IsSquareAttackedBy(const Board* board, int square, Side attacker);

// Whether the king of `side` stands attacked. A missing king is never in
// check.
bool IsKingInCheck(const Board* board, Side side);

// Whether a piece with the letter `slider` is the first piece met from
// `square` along a diagonal, or along a file or rank.
bool IsReachedAlongDiagonals(const Board* board, int square, char slider);
bool IsReachedAlongLines(const Board* board, int square, char slider);

// Whether a knight with the letter `knight` stands a knight's jump away.
bool IsReachedByKnight(const Board* board, int square, char knight);

// All legal moves of `side` in the position reached by `lastMove`, in
// generation order.
void GenerateMoves(const Board* board, Move lastMove, Side side, MoveList* list);

// The same, only the moves whose target holds an enemy piece.
void GenerateCaptures(const Board* board, Move lastMove, Side side, MoveList* list);

// Whether `side` has at least one legal move; stops at the first.
bool HasLegalMove(const Board* board, Move lastMove, Side side);

// The move record for a generated move, carrying the rights of `lastMove`.
inline Move ToMove(GeneratedMove move, Move lastMove) {
  return BuildMove(move.from / kBoardSize, move.from % kBoardSize, move.to / kBoardSize, move.to % kBoardSize,
                   lastMove);
}
