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
constexpr int kMaxDepth = 40;
constexpr int kCaptureLevels = 4;

// The rules a search scores by, chosen by its level. At kFullWidthDepth every
// mate is worth the same and the game's earlier positions are not looked at.
// At every other level a mate p plies below the root is worth kMateScore - p
// to the side that mates (so the shortest mate is played and the side mated
// resists longest), and a root move back into a position of the game is a
// draw, 0.
enum class SearchRules { kFlatMates, kToWin };
constexpr SearchRules RulesOfLevel(int depth) {
  return depth == kFullWidthDepth ? SearchRules::kFlatMates : SearchRules::kToWin;
}

// The deepest ply a search reaches: the full-width plies and the captures.
constexpr int kMaxPly = kMaxDepth + kCaptureLevels;

// What one search found besides the move.
struct SearchReport {
  int score;           // the chosen move's score, from the computer's point of view
  std::int64_t nodes;  // positions visited, all iterations together
  int depth;           // the deepest completed iteration
  // When `score` is a mate by distance (levels other than kFullWidthDepth):
  // the plies from the root to the mate, 1 when the move itself mates (the
  // sign of `score` tells who mates); 0 otherwise.
  int matePlies;
};

// Iterations of this depth or less always complete, whatever the clock or
// the input says.
constexpr int kAlwaysCompletedDepth = 2;

struct SearchLimits {
  int depth = kFullWidthDepth;  // the deepest iteration: the level, or kMaxDepth for analysis
  // The clock: no iteration deeper than kAlwaysCompletedDepth starts after
  // `startBy`, and one still running at `stopBy` is abandoned.
  // time_point::max() means no clock.
  std::chrono::steady_clock::time_point startBy = std::chrono::steady_clock::time_point::max();
  std::chrono::steady_clock::time_point stopBy = std::chrono::steady_clock::time_point::max();
  // Asked every few thousand positions during an iteration deeper than
  // kAlwaysCompletedDepth; true abandons it (input arrived). Empty: never.
  std::function<bool()> interrupted;
  // Called after every completed iteration with its move and report. Empty: nothing.
  std::function<void(Move move, const SearchReport& report)> completed;
  // The game's earlier positions, oldest first, for the repetition rule at
  // the root. Null: none.
  const std::vector<Position>* earlier = nullptr;
};

// The move for `side` (the side to move) in the position reached by
// `lastMove`: iterative deepening, 1, 2, ... up to limits.depth (one
// iteration at levels 1 and 2); the move of the deepest completed iteration.
// It comes back carrying the castling rights after it. With no legal move at
// all, `lastMove` comes back unchanged. `report` may be null.
Move SearchMove(const Board* board, Move lastMove, char side, const SearchLimits& limits, SearchReport* report);

// The same to `depth`, with no clock and no earlier positions.
Move ChooseComputerMove(const Board* board, Move lastMove, int depth, char side);

// The same, also filling `report`.
Move ChooseComputerMoveReported(const Board* board, Move lastMove, int depth, char side, SearchReport* report);
