// The computer's choice of move: a game-tree search over the static score.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/board.h"
#include "model/position.h"

// Every legal move is followed to a full-width depth of plies, kFullWidthDepth
// unless a level is chosen, from kMinDepth to kMaxDepth; below it, captures
// only, for kCaptureLevels plies at most.
constexpr int kFullWidthDepth = 2;
constexpr int kMinDepth = 1;
constexpr int kMaxDepth = 20;
constexpr int kCaptureLevels = 4;

// What one search found besides the move: the chosen move's score from the
// computer's point of view, and how many positions it visited.
struct SearchReport {
  int score;
  std::int64_t nodes;
  int depth;
  int matePlies;
};

struct SearchLimits {
  int depth = kFullWidthDepth;
  std::chrono::steady_clock::time_point startBy = std::chrono::steady_clock::time_point::max();
  std::chrono::steady_clock::time_point stopBy = std::chrono::steady_clock::time_point::max();
  std::function<bool()> interrupted;
  std::function<void(Move move, const SearchReport& report)> completed;
  const std::vector<Position>* earlier = nullptr;
};
constexpr int kAlwaysCompletedDepth = 2;
Move SearchMove(const Board* board, Move lastMove, char side, const SearchLimits& limits, SearchReport* report);

// The move for `side` (the side to move) in the position reached by
// `lastMove`. It comes back carrying the castling rights after it. With no
// legal move at all, `lastMove` comes back unchanged.
Move ChooseComputerMove(const Board* board, Move lastMove, int depth, char side);

// The same, also filling `report`.
Move ChooseComputerMoveReported(const Board* board, Move lastMove, int depth, char side, SearchReport* report);
