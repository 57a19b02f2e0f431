// The computer's move: minimax to the full-width depth, then captures only,
// scored by the static evaluation.
//
// The value of every position is defined by that tree alone: at full-width
// nodes the best of the children (0 for stalemate, -99000 for the side that
// is mated), at capture nodes the best of the capture children and of the
// position's own score (the side to move may decline every capture). The
// search computes exactly these values, only faster:
// - alpha-beta with both bounds skips a child only once its value can no
//   longer change its parent's; good moves first (captures of the most
//   valuable piece by the least valuable one, the previous sibling's
//   refutation, root moves by the static score after them) make that happen
//   early, and no order of the moves changes a value;
// - at a capture node the position's own score is a value the side to move
//   can always have, so once it reaches the upper bound the node is done;
// - at the root every move is searched with a window that only asks "is it
//   better than the best so far?", and an answer of yes comes with the exact
//   value. Ties keep the move that comes first in generation order, whatever
//   order the root moves are searched in.
// Scores are negamax: always from the side to move's point of view.
#include "engine/search.h"

#include <algorithm>
#include <numeric>

#include "engine/evaluation.h"
#include "engine/evaluation_tables.h"
#include "engine/move_generation.h"

namespace {

constexpr int kInfinity = 1000000000;

struct SearchContext {
  std::int64_t nodes;
  // The last move that cut a full-width node off, per ply: tried first at its siblings.
  GeneratedMove refutation[kFullWidthDepth + 1];
};

// Moves `move`, if the list holds it, to the front; the rest keep their order.
void TryFirst(GeneratedMove move, MoveList* list) {
  GeneratedMove* const end = list->moves + list->count;
  GeneratedMove* const found = std::find(list->moves, end, move);
  if (found != end) std::rotate(list->moves, found, found + 1);
}

// The root moves' places in generation order, by the static score after
// them, best first (the earlier among equals): the sooner a good move sets
// the bound, the sooner the others are refuted.
void OrderRootMoves(const SearchBoard& root, const MoveList& moves, int* order) {
  int keys[kMaxMoves];
  for (int i = 0; i < moves.count; ++i) {
    const SearchBoard child = PlayMove(root, moves.moves[i]);
    keys[i] = -Evaluate(child, Analyse(child));
  }
  std::iota(order, order + moves.count, 0);
  std::sort(order, order + moves.count,
            [&keys](int a, int b) { return keys[a] != keys[b] ? keys[a] > keys[b] : a < b; });
}

int CaptureSearch(const SearchBoard& position, int level, int alpha, int beta, SearchContext* context) {
  ++context->nodes;
  const Analysis analysis = Analyse(position);
  const int standPat = Evaluate(position, analysis);
  if (level >= kCaptureLevels || standPat >= beta) return standPat;
  int best = standPat;
  alpha = std::max(alpha, standPat);
  MoveList captures;
  GenerateCapturesMostValuableFirst(position, analysis, &captures);
  for (int i = 0; i < captures.count; ++i) {
    const SearchBoard child = PlayMove(position, captures.moves[i]);
    const int score = -CaptureSearch(child, level + 1, -beta, -alpha, context);
    best = std::max(best, score);
    alpha = std::max(alpha, score);
    if (alpha >= beta) break;
  }
  return best;
}

int FullWidthSearch(const SearchBoard& position, int ply, int depth, int alpha, int beta, SearchContext* context) {
  if (ply >= depth) return CaptureSearch(position, 0, alpha, beta, context);
  ++context->nodes;
  const Analysis analysis = Analyse(position);
  MoveList moves;
  GenerateMovesCapturesFirst(position, analysis, &moves);
  if (moves.count == 0) return NoLegalMoveScore(position, analysis);
  if (ply <= kFullWidthDepth) TryFirst(context->refutation[ply], &moves);
  int best = -kInfinity;
  for (int i = 0; i < moves.count; ++i) {
    const SearchBoard child = PlayMove(position, moves.moves[i]);
    const int score = -FullWidthSearch(child, ply + 1, depth, -beta, -alpha, context);
    best = std::max(best, score);
    alpha = std::max(alpha, score);
    if (alpha >= beta) {
      if (ply <= kFullWidthDepth) context->refutation[ply] = moves.moves[i];
      break;
    }
  }
  return best;
}

}  // namespace

Move ChooseComputerMoveReported(const Board* board, Move lastMove, int depth, char sideLetter, SearchReport* report) {
  SearchContext context{1, {}};
  const SearchBoard root = MakeSearchBoard(board, lastMove);
  MoveList moves;
  if (root.mover == SideOfLetter(sideLetter)) GenerateMoves(root, Analyse(root), &moves);
  // Each root move keeps its place in generation order for breaking ties.
  int order[kMaxMoves];
  OrderRootMoves(root, moves, order);

  Move chosen = lastMove;
  int bestScore = 0;
  int bestIndex = -1;
  for (int i = 0; i < moves.count; ++i) {
    const int index = order[i];
    // A move earlier in generation order needs only to equal the best.
    const int alpha = bestIndex < 0 ? -kInfinity : (index < bestIndex ? bestScore - 1 : bestScore);
    const SearchBoard child = PlayMove(root, moves.moves[index]);
    const int score = -FullWidthSearch(child, 1, depth, -kInfinity, -alpha, &context);
    if (score > alpha) {
      bestScore = score;
      bestIndex = index;
      chosen = child.lastMove;
    }
  }
  if (report != nullptr) {
    report->score = bestScore;
    report->nodes = context.nodes;
  }
  return chosen;
}

Move ChooseComputerMove(const Board* board, Move lastMove, int depth, char side) {
  return ChooseComputerMoveReported(board, lastMove, depth, side, nullptr);
}
