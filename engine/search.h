// The computer's choice of move: a game-tree search over the static score.
#pragma once

#include <cstdint>

#include "model/board.h"

// Every legal move is followed to a full-width depth of plies, kFullWidthDepth
// unless a level is chosen, from kMinDepth to kMaxDepth; below it, captures
// only, for kCaptureLevels plies at most.
constexpr int kFullWidthDepth = 2;
constexpr int kMinDepth = 1;
constexpr int kMaxDepth = 6;
constexpr int kCaptureLevels = 4;

// What one search found besides the move: the chosen move's score from the
// computer's point of view, and how many positions it visited.
struct SearchReport {
  int score;
  std::int64_t nodes;
};

// The move for `side` (the side to move) in the position reached by
// `lastMove`. It comes back carrying the castling rights after it. With no
// legal move at all, `lastMove` comes back unchanged.
Move ChooseComputerMove(const Board* board, Move lastMove, int depth, char side);

// The same, also filling `report`.
Move ChooseComputerMoveReported(const Board* board, Move lastMove, int depth, char side, SearchReport* report);
