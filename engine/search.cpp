// The computer's move: minimax to the full-width depth, then captures only,
// scored by the static evaluation.
//
// The value of every position is defined by that tree alone: at full-width
// nodes the best of the children (0 for stalemate, a mate score for the side
// that is mated), at capture nodes the best of the capture children and of
// the position's own score (the side to move may decline every capture). At
// level 2 every mate scores the same; at every other level a mate p plies
// below the root scores kMateScore - p, in full-width and capture nodes
// alike, and a root move, or the opponent's reply to it, back into a
// position of the game scores 0 (so that a side ahead lets the other side
// repeat no more than it repeats itself). The
// search computes exactly these values at every depth, only faster; every
// technique below keeps the exact value of each root move that can be
// chosen, so that the move is the one the plain search (reference/) plays:
// - alpha-beta with both bounds skips a child only once its value can no
//   longer change its parent's, whatever order the children come in. Good
//   moves first make that happen early: at a full-width node the move found
//   best there before (by the table, or by the previous iteration), the
//   captures (the most valuable piece first, by its cheapest attacker), the
//   two moves that last cut off a node at the same ply (killers), then the
//   other moves by how much and how deep they cut off before (history). The
//   other moves are generated only when no capture has cut the node off.
//   Order changes which children are skipped, never a value;
// - a move after the first is first searched with an empty window, which
//   only asks whether it is better than the best so far (alpha-beta that
//   fails low or high returns a bound beyond the window, which is all it
//   promises); when it is, it is searched again for its exact value;
// - the value of a node is a function of its position, of the height of the
//   tree below it (full-width plies left plus the capture levels) and, for a
//   mate, of its ply: the tree has no repetition and no 50-move rule (the
//   game's positions are looked at only for the root's moves and the
//   replies to them, and those nodes are kept out of the table), and every
//   score of the call is from the same computer's side. So a table of
//   positions already searched keeps per position (all pieces, the side to
//   move, the castling rights and the en passant square) the height, the
//   ply, the value found and whether it is exact, a lower or an upper bound;
//   a value is reused only at the same height, a value within kMaxPly of a
//   mate score only at the same ply too (no other value reaches that band
//   in practice, but one could, and then its ply would not matter: reusing
//   it at the same ply is exact either way), and only where it decides the
//   node as searching it would. A position is told apart by a 64-bit key
//   and its occupied squares, both stored whole; the move found best is only
//   tried first, and only if the position has it;
// - iterative deepening (depths 1, 2, ... up to the level, from level 3 on)
//   only fills the table's best moves, the killers, the history and the
//   root order: a value found at another height is never taken for this
//   one. An iteration abandoned on the clock or the input is thrown away
//   whole: the move played is the deepest completed iteration's;
// - at a capture node the position's own score is a value the side to move
//   can always have, so once it reaches the upper bound the node is done;
// - at the root every move after the first is asked with an empty window
//   whether it is better than the best so far, and, when it is, searched
//   again for its exact value. Ties keep the move that comes first in
//   generation order, whatever order the root moves are searched in: a move
//   earlier than the best needs only to equal it.
// Nothing is pruned on a guess: no null move, no reduced or extended depth,
// no margin below which moves are dropped.
// Scores are negamax: always from the side to move's point of view.
#include "engine/search.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <numeric>
#include <vector>

#include "engine/evaluation.h"
#include "engine/evaluation_tables.h"
#include "engine/game_positions.h"
#include "engine/mate_search.h"
#include "engine/move_generation.h"
#include "engine/search_support.h"

namespace {

constexpr int kInfinity = 1000000000;
constexpr int kKillers = 2;
// Where each helps, by the instructions it saves: the table from depth 3
// (below it no position is reached twice at the same height), iterative
// deepening from depth 4; asking later moves only whether they are better,
// and taking the other moves by history, at nodes with 2 plies or more left.
constexpr int kFirstDepthWithTable = 3;
constexpr int kFirstDepthDeepened = 3;
constexpr int kPliesLeftForWindowsAndHistory = 2;

// Whether an iteration may be abandoned before it completes.
enum class Abandoning { kNever, kOnClockOrInput };

// What a searched value says of the true one.
enum class Bound : std::uint8_t { kEmpty, kExact, kAtLeast, kAtMost };

struct TableEntry {
  std::uint64_t key;
  SquareSet occupied;
  std::int32_t value;
  std::uint8_t height;
  // The ply the value was found at: a mate's value counts its plies from the
  // root, so a value that may be a mate is reused only at the same ply.
  std::uint8_t ply : 6;
  Bound bound : 2;
  GeneratedMove best;
};

static_assert(sizeof(TableEntry) == 24, "table entries stay small");

// Entries per level, a power of two each: about as many as the full-width
// nodes a search of that depth visits; from depth 9 on, 2^21 entries of 24
// bytes (48 MiB) at most. On a clock, no more than the full-width nodes of
// the time it allows (about kTableEntriesPerSecondBits a second): the
// table's memory comes from the system zeroed, and each page costs when it
// is first touched.
constexpr int kMostTableBits = 21;
constexpr auto kTableBits = [] {
  std::array<int, kMaxDepth + 1> bits{0, 0, 0, 12, 14, 16, 18, 19, 20};
  for (int depth = 9; depth <= kMaxDepth; ++depth) bits[depth] = kMostTableBits;
  return bits;
}();
constexpr int kTableEntriesPerSecondBits = 19;
constexpr int kFewestTableBits = 12;

int TableBits(int depth, std::chrono::steady_clock::time_point stopBy) {
  int bits = kTableBits[depth];
  if (bits == 0 || stopBy == std::chrono::steady_clock::time_point::max()) return bits;
  const auto allowed = std::chrono::duration_cast<std::chrono::milliseconds>(stopBy - std::chrono::steady_clock::now());
  constexpr std::int64_t kMillisecondsPerSecond = 1000;
  const std::int64_t entries = std::max<std::int64_t>(allowed.count(), 1) *
                               (std::int64_t{1} << kTableEntriesPerSecondBits) / kMillisecondsPerSecond;
  int clockBits = kFewestTableBits;
  while (clockBits < bits && (std::int64_t{1} << clockBits) < entries) ++clockBits;
  return std::min(bits, clockBits);
}

// Whether a value may be a mate by distance: one within kMaxPly of the mate
// score. Other values are a function of the position and the height alone.
constexpr bool MayBeMate(int value) { return std::abs(value) >= kMateScore - kMaxPly && std::abs(value) <= kMateScore; }

struct SearchContext {
  SearchRules rules = SearchRules::kFlatMates;
  std::int64_t nodes = 1;
  ZeroedTable<TableEntry> table;
  std::size_t tableSize = 0;  // a power of two, or 0 for no table
  // Per ply, the last two quiet moves that cut a full-width node off.
  GeneratedMove killers[kMaxDepth + 1][kKillers] = {};
  // Per side, kind of piece and target, how much quiet moves cut off,
  // weighed by the plies left below them.
  std::int64_t history[kSides][kPieceKinds][kSquareCount] = {};
  // The clock and the input, for the iteration being searched: whether it
  // may be abandoned, and whether it has been (every search then returns at
  // once, and nothing it found is kept).
  Abandoning abandoning = Abandoning::kNever;
  bool abandoned = false;
  std::chrono::steady_clock::time_point stopBy;
  const std::function<bool()>* interrupted = nullptr;
  // The game's positions before the root, at the rules that look at them.
  const std::vector<EarlierPosition>* earlier = nullptr;
};

// Whether the rules look at the game's earlier positions in a node `ply`
// plies below the root: the opponent's replies to the root moves, that is
// the nodes at ply 1, may go back into one of them.
bool LooksAtTheGame(int ply, const SearchContext& context) {
  return ply == 1 && context.earlier != nullptr && !context.earlier->empty();
}

// Counts a position visited and, every kCheckEvery of them in an iteration
// that may be abandoned, looks at the clock and the input. True when the
// iteration is abandoned.
bool Visit(SearchContext* context) {
  ++context->nodes;
  if (context->abandoning == Abandoning::kOnClockOrInput && !context->abandoned) {
    context->abandoned = ClockOrInputStops(context->nodes, context->stopBy, *context->interrupted);
  }
  return context->abandoned;
}

// Each position has two slots side by side: the first keeps the entry of the
// highest height (the most work saved), the second takes every other.
constexpr std::size_t kSlotsPerPosition = 2;

TableEntry* SlotsFor(SearchContext* context, std::uint64_t key) {
  return &context->table[key & (context->tableSize - 1) & ~(kSlotsPerPosition - 1)];
}

bool IsCapture(const SearchBoard& position, GeneratedMove move) {
  return Contains(position.sets.Of(Opponent(position.mover)), move.to);
}

// Moves `move`, if the list holds it from `start` on, to `start`; the rest
// keep their order. Returns the next place to fill.
int TryAt(GeneratedMove move, int start, MoveList* list) {
  GeneratedMove* const end = list->moves + list->count;
  GeneratedMove* const found = std::find(list->moves + start, end, move);
  if (found == end) return start;
  std::rotate(list->moves + start, found, found + 1);
  return start + 1;
}

// The order of a full-width node's moves (captures first, as generated):
// the table's move, the captures, the killers; returns where the rest
// begin, which are taken by history (see TakeByHistory).
int OrderMoves(const SearchBoard& position, GeneratedMove tableMove, const GeneratedMove* killers, MoveList* moves) {
  int next = TryAt(tableMove, 0, moves);
  while (next < moves->count && IsCapture(position, moves->moves[next])) ++next;
  for (int i = 0; i < kKillers; ++i) next = TryAt(killers[i], next, moves);
  return next;
}

std::int64_t& HistoryOf(const SearchBoard& position, GeneratedMove move, SearchContext* context) {
  return context->history[IndexOf(position.mover)][KindOf(position.board.squares[move.from])][move.to];
}

// Brings the move with the most history from `start` on (the earliest among
// equals) to `start`, the rest keeping their order: most nodes are cut off
// after a move or two, so the list is never sorted whole.
void TakeByHistory(const SearchBoard& position, int start, SearchContext* context, MoveList* moves) {
  int chosen = start;
  std::int64_t most = HistoryOf(position, moves->moves[start], context);
  for (int i = start + 1; i < moves->count; ++i) {
    const std::int64_t history = HistoryOf(position, moves->moves[i], context);
    if (history > most) {
      most = history;
      chosen = i;
    }
  }
  std::rotate(moves->moves + start, moves->moves + chosen, moves->moves + chosen + 1);
}

// The root moves' places in generation order, by `keys`, best first (the
// earlier among equals).
void OrderRootMoves(const int* keys, int count, int* order) {
  std::iota(order, order + count, 0);
  std::sort(order, order + count, [keys](int a, int b) { return keys[a] != keys[b] ? keys[a] > keys[b] : a < b; });
}

// The table's slot for a position (its first slot when it is not there),
// and whether it holds that position.
struct Probe {
  TableEntry* entry;
  std::uint64_t key;
  SquareSet occupied;
  bool found;
};

Probe Look(const SearchBoard& position, SearchContext* context) {
  if (context->tableSize == 0) return {nullptr, 0, 0, false};
  const std::uint64_t key = PositionKey(position);
  const SquareSet occupied = position.sets.Occupied();
  TableEntry* const slots = SlotsFor(context, key);
  for (std::size_t i = 0; i < kSlotsPerPosition; ++i) {
    TableEntry* entry = &slots[i];
    if (entry->bound != Bound::kEmpty && entry->key == key && entry->occupied == occupied) {
      return {entry, key, occupied, true};
    }
  }
  return {slots, key, occupied, false};
}

// Whether the stored value decides a search of `height` plies at `ply` with
// the window (alpha, beta) as searching it would: the same height (and the
// same ply for a value that may be a mate), and a value that is exact or a
// bound beyond the window.
bool Decides(const Probe& probe, int height, int ply, int alpha, int beta) {
  if (!probe.found) return false;
  const TableEntry& entry = *probe.entry;
  return entry.height == height && (entry.ply == ply || !MayBeMate(entry.value)) &&
         (entry.bound == Bound::kExact || (entry.bound == Bound::kAtLeast && entry.value >= beta) ||
          (entry.bound == Bound::kAtMost && entry.value <= alpha));
}

// Keeps the value of a search with the window (alphaAtStart, beta), which
// returned `best`: above the window it is a lower bound, below it an upper
// one, inside it exact.
void Store(const Probe& probe, int height, int ply, int best, int alphaAtStart, int beta, GeneratedMove bestMove) {
  if (probe.entry == nullptr) return;
  // A position not found goes to the first of its slots, unless that holds a
  // higher entry, which it keeps.
  const bool keepFirst = !probe.found && probe.entry->bound != Bound::kEmpty && probe.entry->height > height;
  TableEntry& entry = keepFirst ? probe.entry[1] : *probe.entry;
  entry.key = probe.key;
  entry.occupied = probe.occupied;
  entry.value = best;
  entry.height = static_cast<std::uint8_t>(height);
  entry.ply = static_cast<std::uint8_t>(ply);
  entry.bound = best >= beta ? Bound::kAtLeast : (best > alphaAtStart ? Bound::kExact : Bound::kAtMost);
  entry.best = bestMove;
}

// The static score at a capture node `ply` plies below the root, by the
// search's rules.
int StaticScore(const SearchBoard& position, const Analysis& analysis, int ply, const SearchContext& context) {
  return context.rules == SearchRules::kToWin ? EvaluateWithMateDistance(position, analysis, ply)
                                              : Evaluate(position, analysis);
}

int CaptureSearch(const SearchBoard& position, int ply, int level, int alpha, int beta, SearchContext* context) {
  if (Visit(context)) return 0;
  const Analysis analysis = Analyse(position);
  const int standPat = StaticScore(position, analysis, ply, *context);
  if (level >= kCaptureLevels || standPat >= beta) return standPat;
  int best = standPat;
  alpha = std::max(alpha, standPat);
  MoveList captures;
  GenerateCapturesMostValuableFirst(position, analysis, &captures);
  for (int i = 0; i < captures.count; ++i) {
    const SearchBoard child = PlayMove(position, captures.moves[i]);
    const int score = -CaptureSearch(child, ply + 1, level + 1, -beta, -alpha, context);
    if (context->abandoned) return 0;
    best = std::max(best, score);
    alpha = std::max(alpha, score);
    if (alpha >= beta) break;
  }
  return best;
}

int FullWidthSearch(const SearchBoard& position, int ply, int depth, int alpha, int beta, SearchContext* context) {
  if (ply >= depth) return CaptureSearch(position, ply, 0, alpha, beta, context);
  if (Visit(context)) return 0;
  const int pliesLeft = depth - ply;
  const int height = pliesLeft + kCaptureLevels;
  // A node whose value depends on the game's earlier positions is neither
  // looked up nor kept: the table holds values of position and height.
  const bool looksAtTheGame = LooksAtTheGame(ply, *context);
  const Probe probe = looksAtTheGame ? Probe{nullptr, 0, 0, false} : Look(position, context);
  if (Decides(probe, height, ply, alpha, beta)) return probe.entry->value;
  const GeneratedMove tableMove = probe.found ? probe.entry->best : GeneratedMove{};
  const Analysis analysis = Analyse(position);
  // The captures first, and the other moves only if none of them cuts the
  // node off (most often one does); all at once when the table's move is
  // one of the others.
  MoveList moves;
  bool othersAdded = tableMove != GeneratedMove{} && !IsCapture(position, tableMove);
  int byHistory = kMaxMoves;
  if (othersAdded) {
    GenerateMovesCapturesFirst(position, analysis, &moves);
    byHistory = OrderMoves(position, tableMove, context->killers[ply], &moves);
  } else {
    GenerateCapturesMostValuableFirst(position, analysis, &moves);
    TryAt(tableMove, 0, &moves);
  }
  const int alphaAtStart = alpha;
  int best = -kInfinity;
  GeneratedMove bestMove{};
  for (int i = 0;; ++i) {
    if (i == moves.count && !othersAdded) {
      AddNonCaptures(position, analysis, &moves);
      othersAdded = true;
      byHistory = i;
      for (const GeneratedMove killer : context->killers[ply]) byHistory = TryAt(killer, byHistory, &moves);
    }
    if (i == moves.count) break;
    if (i >= byHistory && pliesLeft >= kPliesLeftForWindowsAndHistory) TakeByHistory(position, i, context, &moves);
    const GeneratedMove move = moves.moves[i];
    const SearchBoard child = PlayMove(position, move);
    // After the first move, each other is first asked only whether it is
    // better, and searched again for its value when it is.
    int score;
    if (looksAtTheGame && IsRepetition(child, *context->earlier)) {
      score = kStalemateScore;
    } else if (i > 0 && pliesLeft >= kPliesLeftForWindowsAndHistory && beta - alpha > 1) {
      score = -FullWidthSearch(child, ply + 1, depth, -alpha - 1, -alpha, context);
      if (score > alpha && score < beta && !context->abandoned) {
        score = -FullWidthSearch(child, ply + 1, depth, -beta, -alpha, context);
      }
    } else {
      score = -FullWidthSearch(child, ply + 1, depth, -beta, -alpha, context);
    }
    if (context->abandoned) return 0;
    if (score > best) {
      best = score;
      bestMove = move;
    }
    alpha = std::max(alpha, score);
    if (alpha >= beta) {
      if (!IsCapture(position, move)) {
        GeneratedMove* const killers = context->killers[ply];
        if (killers[0] != move) {
          killers[1] = killers[0];
          killers[0] = move;
        }
        HistoryOf(position, move, context) += pliesLeft * pliesLeft;
      }
      break;
    }
  }
  if (moves.count == 0) {
    const int noMove = NoLegalMoveScore(position, analysis);
    return context->rules == SearchRules::kToWin ? MateByDistance(noMove, ply) : noMove;
  }
  Store(probe, height, ply, best, alphaAtStart, beta, bestMove);
  return best;
}

// The plies to the mate a score stands for, at the rules that count them; 0
// for a score that is no mate.
int MatePlies(int score, SearchRules rules) {
  return rules == SearchRules::kToWin && MayBeMate(score) ? kMateScore - std::abs(score) : 0;
}

}  // namespace

Move SearchMove(const Board* board, Move lastMove, char sideLetter, const SearchLimits& limits, SearchReport* report) {
  // Outside the levels the nearest one; below 1 the search is that of depth 1 anyway.
  const int depth = std::clamp(limits.depth, kMinDepth, kMaxDepth);
  SearchContext context;
  context.rules = RulesOfLevel(depth);
  context.stopBy = limits.stopBy;
  context.interrupted = &limits.interrupted;
  if (depth >= kFirstDepthWithTable) {
    const std::size_t size = std::size_t{1} << TableBits(depth, limits.stopBy);
    // Out of memory: the search goes on without a table.
    context.table = TakeZeroedTable<TableEntry>(size);
    context.tableSize = context.table ? size : 0;
  }
  const SearchBoard root = MakeSearchBoard(board, lastMove);
  MoveList moves;
  if (root.mover == SideOfLetter(sideLetter)) GenerateMoves(root, Analyse(root), &moves);
  // Root moves back into a position of the game are draws, at the rules
  // that look at the game.
  const std::vector<EarlierPosition> earlier =
      context.rules == SearchRules::kToWin ? EarlierPositions(limits.earlier) : std::vector<EarlierPosition>{};
  context.earlier = &earlier;
  bool repeats[kMaxMoves];
  // Each root move keeps its place in generation order for breaking ties.
  // The first order is by the static score after each move.
  int scores[kMaxMoves];
  for (int i = 0; i < moves.count; ++i) {
    const SearchBoard child = PlayMove(root, moves.moves[i]);
    repeats[i] = IsRepetition(child, earlier);
    scores[i] = repeats[i] ? kStalemateScore : -Evaluate(child, Analyse(child));
  }
  int order[kMaxMoves];
  Move chosen = lastMove;
  SearchReport found{0, 0, 0, 0};
  // On a clock, where few pieces are left, a forced mate is first looked for
  // alone, in up to three quarters of the time an iteration may start in:
  // its move is the one every iteration as deep as the mate or deeper plays.
  // Otherwise the iterations follow, and those that start in the rest of
  // that time may run on to the clock's hard limit.
  const auto now = std::chrono::steady_clock::now();
  if (context.rules == SearchRules::kToWin && limits.startBy != std::chrono::steady_clock::time_point::max() &&
      moves.count > 0 && now < limits.startBy && MateSearchApplies(root)) {
    constexpr int kMateSearchShare = 3;
    constexpr int kShares = 4;
    const auto mateStopBy = now + (limits.startBy - now) * kMateSearchShare / kShares;
    const MateSearchLimits mateLimits{depth, std::min(limits.stopBy, mateStopBy), &limits.interrupted, &earlier};
    const ForcedMate mate = FindShortestMate(root, moves, repeats, mateLimits);
    context.nodes += mate.nodes;
    if (mate.moveIndex >= 0) {
      chosen = PlayMove(root, moves.moves[mate.moveIndex]).lastMove;
      found = {kMateScore - mate.plies, context.nodes, mate.plies, mate.plies};
      if (limits.completed) limits.completed(chosen, found);
      if (report != nullptr) *report = found;
      return chosen;
    }
  }
  // Levels 1 and 2 search once; the deeper ones deepen from depth 1.
  const int firstIteration = depth >= kFirstDepthDeepened ? kMinDepth : depth;
  for (int iteration = firstIteration; iteration <= depth && moves.count > 0; ++iteration) {
    if (iteration > kAlwaysCompletedDepth) {
      if (std::chrono::steady_clock::now() >= limits.startBy) break;
      context.abandoning = Abandoning::kOnClockOrInput;
    }
    OrderRootMoves(scores, moves.count, order);
    int iterationScores[kMaxMoves];
    std::copy(scores, scores + moves.count, iterationScores);
    int bestIndex = -1;
    int bestScore = 0;
    Move iterationMove = lastMove;
    for (int i = 0; i < moves.count && !context.abandoned; ++i) {
      const int index = order[i];
      // A move earlier in generation order needs only to equal the best.
      const int alpha = bestIndex < 0 ? -kInfinity : (index < bestIndex ? bestScore - 1 : bestScore);
      const SearchBoard child = PlayMove(root, moves.moves[index]);
      int& score = iterationScores[index];
      if (repeats[index]) {
        score = kStalemateScore;
      } else if (bestIndex >= 0) {
        // First only whether it is better, which mostly it is not; then its value.
        score = -FullWidthSearch(child, 1, iteration, -alpha - 1, -alpha, &context);
        if (score > alpha && !context.abandoned)
          score = -FullWidthSearch(child, 1, iteration, -kInfinity, -alpha, &context);
      } else {
        score = -FullWidthSearch(child, 1, iteration, -kInfinity, -alpha, &context);
      }
      if (!context.abandoned && score > alpha) {
        bestScore = score;
        bestIndex = index;
        iterationMove = child.lastMove;
      }
    }
    if (context.abandoned) break;
    std::copy(iterationScores, iterationScores + moves.count, scores);
    chosen = iterationMove;
    found = {bestScore, context.nodes, iteration, MatePlies(bestScore, context.rules)};
    if (limits.completed) limits.completed(chosen, found);
  }
  found.nodes = context.nodes;
  if (report != nullptr) *report = found;
  return chosen;
}

Move ChooseComputerMoveReported(const Board* board, Move lastMove, int depth, char side, SearchReport* report) {
  SearchLimits limits;
  limits.depth = depth;
  return SearchMove(board, lastMove, side, limits, report);
}

Move ChooseComputerMove(const Board* board, Move lastMove, int depth, char side) {
  return ChooseComputerMoveReported(board, lastMove, depth, side, nullptr);
}
