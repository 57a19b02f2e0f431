// The computer's move: minimax to the full-width depth, then captures only,
// scored by the static evaluation.
//
// The value of every position is defined by that tree alone: at full-width
// nodes the best of the children (0 for stalemate, -99000 for the side that
// is mated), at capture nodes the best of the capture children and of the
// position's own score (the side to move may decline every capture). The
// search computes exactly these values at every depth, only faster, and
// nothing below depends on the depth:
// - alpha-beta with both bounds skips a child only once its value can no
//   longer change its parent's, whatever order the children come in. Good
//   moves first make that happen early: at a full-width node the move found
//   best there before (by the table, or by the previous iteration), the
//   captures (the most valuable piece first, by its cheapest attacker), the
//   two moves that last cut off a node at the same ply (killers), then the
//   other moves by how much and how deep they cut off before (history). The
//   other moves are generated only when no capture has cut the node off;
// - a move after the first is first searched with an empty window, which
//   only asks whether it is better than the best so far (alpha-beta that
//   fails low or high returns a bound beyond the window, which is all it
//   promises); when it is, it is searched again for its exact value;
// - the value of a node is a function of its position and of the height of
//   the tree below it (full-width plies left plus the capture levels), and
//   of nothing else: the tree has no ply counter, no repetition and no
//   50-move rule, mate scores do not depend on the ply, and every score of
//   the call is from the same computer's side. So a table of positions
//   already searched keeps per position (all pieces, the side to move, the
//   castling rights and the en passant square) the height, the value found
//   and whether it is exact, a lower or an upper bound; a value is reused
//   only at the same height, and only where it decides the node as
//   searching it would. A position is told apart by a 64-bit key and its
//   occupied squares, both stored whole; the move found best is only tried
//   first, and only if the position has it;
// - iterative deepening (depths 1, 2, ... up to the one asked) only fills the
//   table's best moves, the killers, the history and the root order: a value
//   found at another height is never taken for this one;
// - at a capture node the position's own score is a value the side to move
//   can always have, so once it reaches the upper bound the node is done;
// - at the root every move after the first is asked with an empty window
//   whether it is better than the best so far, and, when it is, searched
//   again for its exact value. Ties keep the move that comes first in
//   generation order, whatever order the root moves are searched in: a move
//   earlier than the best needs only to equal it.
// Scores are negamax: always from the side to move's point of view.
#include "engine/search.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "engine/evaluation.h"
#include "engine/evaluation_tables.h"
#include "engine/move_generation.h"

namespace {

constexpr int kInfinity = 1000000000;
constexpr int kKillers = 2;
// Where each helps, by the instructions it saves: the table from depth 3
// (below it no position is reached twice at the same height), iterative
// deepening from depth 4; asking later moves only whether they are better,
// and taking the other moves by history, at nodes with 2 plies or more left.
constexpr int kFirstDepthWithTable = 3;
constexpr int kFirstDepthDeepened = 4;
constexpr int kPliesLeftForWindowsAndHistory = 2;

// Position keys: a fixed random number for each piece on each square, for
// Black to move, for each castling right and for each en passant square;
// a position's key is the exclusive or of those that hold in it.
struct KeyNumbers {
  std::uint64_t pieces[kSides][kPieceKinds][kSquareCount];
  std::uint64_t blackToMove;
  std::uint64_t castling[4];
  std::uint64_t enPassant[kSquareCount];
};

inline constexpr KeyNumbers kKeyNumbers = [] {
  KeyNumbers numbers{};
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  auto next = [&state] {  // splitmix64
    state += 0x9E3779B97F4A7C15u;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  };
  for (auto& side : numbers.pieces) {
    for (auto& kind : side) {
      for (std::uint64_t& square : kind) square = next();
    }
  }
  numbers.blackToMove = next();
  for (std::uint64_t& right : numbers.castling) right = next();
  for (std::uint64_t& square : numbers.enPassant) square = next();
  return numbers;
}();

std::uint64_t PositionKey(const SearchBoard& position) {
  std::uint64_t key = position.mover == Side::kBlack ? kKeyNumbers.blackToMove : 0;
  for (int side = 0; side < kSides; ++side) {
    for (int kind = 0; kind < kPieceKinds; ++kind) {
      for (SquareSet set = position.sets.pieces[side][kind]; set != kNoSquares;) {
        key ^= kKeyNumbers.pieces[side][kind][TakeFirstSquare(&set)];
      }
    }
  }
  const Move last = position.lastMove;
  const bool rights[] = {GetCastleWhiteQueenSide(last) != 0, GetCastleWhiteKingSide(last) != 0,
                         GetCastleBlackQueenSide(last) != 0, GetCastleBlackKingSide(last) != 0};
  for (int i = 0; i < 4; ++i) key ^= rights[i] ? kKeyNumbers.castling[i] : 0;
  const int enPassant = EnPassantTarget(position);
  if (enPassant != kNoSquare) key ^= kKeyNumbers.enPassant[enPassant];
  return key;
}

// What a searched value says of the true one.
enum class Bound : std::uint8_t { kEmpty, kExact, kAtLeast, kAtMost };

struct TableEntry {
  std::uint64_t key;
  SquareSet occupied;
  std::int32_t value;
  std::uint8_t height;
  Bound bound;
  GeneratedMove best;
};

// Entries per depth, a power of two each: about as many as the full-width
// nodes a search of that depth visits, so that clearing the table costs
// little beside the search.
constexpr int kTableBits[kMaxDepth + 1] = {0, 0, 0, 12, 14, 16, 18};

struct SearchContext {
  std::int64_t nodes = 1;
  std::vector<TableEntry> table;
  // Per ply, the last two quiet moves that cut a full-width node off.
  GeneratedMove killers[kMaxDepth + 1][kKillers] = {};
  // Per side, kind of piece and target, how much quiet moves cut off,
  // weighed by the plies left below them.
  int history[kSides][kPieceKinds][kSquareCount] = {};
};

TableEntry& EntryFor(SearchContext* context, std::uint64_t key) {
  return context->table[key & (context->table.size() - 1)];
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

int& HistoryOf(const SearchBoard& position, GeneratedMove move, SearchContext* context) {
  return context->history[IndexOf(position.mover)][KindOf(position.board.squares[move.from])][move.to];
}

// Brings the move with the most history from `start` on (the earliest among
// equals) to `start`, the rest keeping their order: most nodes are cut off
// after a move or two, so the list is never sorted whole.
void TakeByHistory(const SearchBoard& position, int start, SearchContext* context, MoveList* moves) {
  int chosen = start;
  int most = HistoryOf(position, moves->moves[start], context);
  for (int i = start + 1; i < moves->count; ++i) {
    const int history = HistoryOf(position, moves->moves[i], context);
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

// The table's slot for a position, and whether it holds that position.
struct Probe {
  TableEntry* entry;
  std::uint64_t key;
  SquareSet occupied;
  bool found;
};

Probe Look(const SearchBoard& position, SearchContext* context) {
  if (context->table.empty()) return {nullptr, 0, 0, false};
  const std::uint64_t key = PositionKey(position);
  const SquareSet occupied = position.sets.Occupied();
  TableEntry* entry = &EntryFor(context, key);
  return {entry, key, occupied, entry->bound != Bound::kEmpty && entry->key == key && entry->occupied == occupied};
}

// Whether the stored value decides a search of `height` plies with the
// window (alpha, beta) as searching it would: the same height, and a value
// that is exact or a bound beyond the window.
bool Decides(const Probe& probe, int height, int alpha, int beta) {
  if (!probe.found) return false;
  const TableEntry& entry = *probe.entry;
  return entry.height == height &&
         (entry.bound == Bound::kExact || (entry.bound == Bound::kAtLeast && entry.value >= beta) ||
          (entry.bound == Bound::kAtMost && entry.value <= alpha));
}

// Keeps the value of a search with the window (alphaAtStart, beta), which
// returned `best`: above the window it is a lower bound, below it an upper
// one, inside it exact.
void Store(const Probe& probe, int height, int best, int alphaAtStart, int beta, GeneratedMove bestMove) {
  if (probe.entry == nullptr) return;
  *probe.entry = {probe.key,
                  probe.occupied,
                  best,
                  static_cast<std::uint8_t>(height),
                  best >= beta ? Bound::kAtLeast : (best > alphaAtStart ? Bound::kExact : Bound::kAtMost),
                  bestMove};
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
  const int pliesLeft = depth - ply;
  const int height = pliesLeft + kCaptureLevels;
  const Probe probe = Look(position, context);
  if (Decides(probe, height, alpha, beta)) return probe.entry->value;
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
    if (i > 0 && pliesLeft >= kPliesLeftForWindowsAndHistory && beta - alpha > 1) {
      score = -FullWidthSearch(child, ply + 1, depth, -alpha - 1, -alpha, context);
      if (score > alpha && score < beta) score = -FullWidthSearch(child, ply + 1, depth, -beta, -alpha, context);
    } else {
      score = -FullWidthSearch(child, ply + 1, depth, -beta, -alpha, context);
    }
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
  if (moves.count == 0) return NoLegalMoveScore(position, analysis);
  Store(probe, height, best, alphaAtStart, beta, bestMove);
  return best;
}

}  // namespace

Move ChooseComputerMoveReported(const Board* board, Move lastMove, int depth, char sideLetter, SearchReport* report) {
  // Outside the levels the nearest one; below 1 the search is that of depth 1 anyway.
  depth = std::clamp(depth, kMinDepth, kMaxDepth);
  SearchContext context;
  if (depth >= kFirstDepthWithTable) context.table.resize(std::size_t{1} << kTableBits[depth]);
  const SearchBoard root = MakeSearchBoard(board, lastMove);
  MoveList moves;
  if (root.mover == SideOfLetter(sideLetter)) GenerateMoves(root, Analyse(root), &moves);
  // Each root move keeps its place in generation order for breaking ties.
  // The first order is by the static score after each move.
  int scores[kMaxMoves];
  for (int i = 0; i < moves.count; ++i) {
    const SearchBoard child = PlayMove(root, moves.moves[i]);
    scores[i] = -Evaluate(child, Analyse(child));
  }
  int order[kMaxMoves];
  Move chosen = lastMove;
  int bestScore = 0;
  for (int iteration = depth >= kFirstDepthDeepened ? kMinDepth : depth; iteration <= depth; ++iteration) {
    OrderRootMoves(scores, moves.count, order);
    int bestIndex = -1;
    for (int i = 0; i < moves.count; ++i) {
      const int index = order[i];
      // A move earlier in generation order needs only to equal the best.
      const int alpha = bestIndex < 0 ? -kInfinity : (index < bestIndex ? bestScore - 1 : bestScore);
      const SearchBoard child = PlayMove(root, moves.moves[index]);
      if (bestIndex >= 0) {
        // First only whether it is better, which mostly it is not; then its value.
        scores[index] = -FullWidthSearch(child, 1, iteration, -alpha - 1, -alpha, &context);
        if (scores[index] > alpha) scores[index] = -FullWidthSearch(child, 1, iteration, -kInfinity, -alpha, &context);
      } else {
        scores[index] = -FullWidthSearch(child, 1, iteration, -kInfinity, -alpha, &context);
      }
      if (scores[index] > alpha) {
        bestScore = scores[index];
        bestIndex = index;
        chosen = child.lastMove;
      }
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
