#include "engine/mate_search.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "engine/attack_tables.h"
#include "engine/evaluation_tables.h"
#include "engine/lone_king_mates.h"
#include "engine/search.h"
#include "engine/search_support.h"

namespace {

// The largest placement-table entry, either way.
constexpr int kMostPlacement = [] {
  int most = 0;
  for (const PlacementTable* table : {&kPawnTable, &kKnightTable, &kBishopTable, &kKingTable}) {
    for (const auto& row : *table) {
      for (int entry : row) most = std::max({most, entry, -entry});
    }
  }
  return most;
}();

// What a mate search knows of a position: that the mate is forced in
// `matesIn` plies (and so in more), and that it is not in `escapesIn` plies
// (nor in fewer); kUnknown where nothing is known. An entry never written
// holds no squares, which no position has.
constexpr std::uint8_t kUnknown = 0xFF;
struct MateEntry {
  std::uint64_t key;
  SquareSet occupied;
  std::uint8_t matesIn;
  std::uint8_t escapesIn;
  GeneratedMove escape;  // the defender's move that escaped last, if any
};

// 2^19 entries of 24 bytes (12 MiB): as many positions as a second's search
// visits, and half the pages of 2^20 to take from the system, which costs.
constexpr int kMateTableBits = 19;

struct MateContext {
  ZeroedTable<MateEntry> table;
  std::size_t tableSize = 0;  // a power of two, or 0 for no table
  std::int64_t nodes = 0;
  bool abandoned = false;
  const MateSearchLimits* limits = nullptr;
  // Per ply, the defender's move that last escaped.
  GeneratedMove escapes[kMaxDepth + 1] = {};
};

bool Visit(MateContext* context) {
  ++context->nodes;
  if (!context->abandoned) {
    context->abandoned = ClockOrInputStops(context->nodes, context->limits->stopBy, *context->limits->interrupted);
  }
  return context->abandoned;
}

// The root and the replies to the root moves depend on the game's earlier
// positions; every other node is a function of its position.
constexpr int kFirstPlyInTable = 2;

// A position's slot in the table, with what tells the position apart; what
// the slot holds may belong to another position, and may change while the
// position is searched (a position below it may take the slot). Without
// castling rights (and, here, without pawns) a position and its images
// under the board's symmetries are mated alike: they share the entry of the
// image with the least key, whose moves are the image's.
struct Probe {
  MateEntry* entry;  // null for a position kept out of the table
  std::uint64_t key;
  SquareSet occupied;
  int symmetry;  // the one that takes the position to the image kept

  bool Holds() const { return entry != nullptr && entry->key == key && entry->occupied == occupied; }
};

bool HasCastlingRight(Move last) {
  return GetCastleWhiteQueenSide(last) != 0 || GetCastleWhiteKingSide(last) != 0 ||
         GetCastleBlackQueenSide(last) != 0 || GetCastleBlackKingSide(last) != 0;
}

SquareSet Reflected(SquareSet set, int symmetry) {
  SquareSet image = kNoSquares;
  while (set != kNoSquares) image |= SquareSetOf(Reflect(TakeFirstSquare(&set), symmetry));
  return image;
}

Probe Look(const SearchBoard& position, int ply, MateContext* context) {
  if (ply < kFirstPlyInTable || context->tableSize == 0) return {nullptr, 0, 0, kIdentity};
  std::uint64_t key = 0;
  int symmetry = kIdentity;
  if (HasCastlingRight(position.lastMove)) {
    key = PositionKey(position);
  } else {
    std::uint64_t keys[kSymmetries];
    ReflectedPiecesKeys(position.sets, position.mover, keys);
    symmetry = static_cast<int>(std::min_element(keys, keys + kSymmetries) - keys);
    key = keys[symmetry];
  }
  return {&context->table[key & (context->tableSize - 1)], key, Reflected(position.sets.Occupied(), symmetry),
          symmetry};
}

GeneratedMove ReflectedMove(GeneratedMove move, int symmetry) {
  return {static_cast<std::uint8_t>(Reflect(move.from, symmetry)),
          static_cast<std::uint8_t>(Reflect(move.to, symmetry))};
}

GeneratedMove UnreflectedMove(GeneratedMove move, int symmetry) {
  return {static_cast<std::uint8_t>(Unreflect(move.from, symmetry)),
          static_cast<std::uint8_t>(Unreflect(move.to, symmetry))};
}

// What the table knows of a mate in `plies` plies from the position.
enum class Known { kNothing, kMates, kEscapes };
Known WhatIsKnown(const Probe& probe, int plies) {
  if (!probe.Holds()) return Known::kNothing;
  const MateEntry& entry = *probe.entry;
  if (entry.matesIn != kUnknown && entry.matesIn <= plies) return Known::kMates;
  if (entry.escapesIn != kUnknown && entry.escapesIn >= plies) return Known::kEscapes;
  return Known::kNothing;
}

// Keeps whether the mate is forced in `plies` plies (and the defender's move
// that escaped, if one did), in place of another position's entry; returns
// `mates`.
bool Keep(const Probe& probe, int plies, bool mates, GeneratedMove escape = {}) {
  if (probe.entry == nullptr) return mates;
  MateEntry& entry = *probe.entry;
  if (!probe.Holds()) entry = {probe.key, probe.occupied, kUnknown, kUnknown, {}};
  const auto stored = static_cast<std::uint8_t>(plies);
  if (mates) {
    entry.matesIn = entry.matesIn == kUnknown ? stored : std::min(entry.matesIn, stored);
  } else {
    entry.escapesIn = entry.escapesIn == kUnknown ? stored : std::max(entry.escapesIn, stored);
    entry.escape = ReflectedMove(escape, probe.symmetry);
  }
  return mates;
}

bool IsMated(const SearchBoard& position, const Analysis& analysis) {
  return analysis.checkers != kNoSquares && !HasLegalMove(position, analysis);
}

bool DefenderIsMated(const SearchBoard& position, const Analysis& analysis, int ply, int pliesLeft,
                     MateContext* context);

// Whether a move of the side to move checks the enemy king on `king`, in a
// position without pawns whose enemy king is not in check: the piece from
// its target, or a slider of its own behind its origin.
bool GivesCheck(const SearchBoard& position, GeneratedMove move, int king) {
  const PieceKind kind = KindOf(position.board.squares[move.from]);
  const int files = std::abs(move.to / kBoardSize - move.from / kBoardSize);
  constexpr int kCastlingFiles = 2;
  if (kind == kKing && files == kCastlingFiles) {
    const SearchBoard child = PlayMove(position, move);  // the rook may check
    return Analyse(child).checkers != kNoSquares;
  }
  const SquareSet occupied = (position.sets.Occupied() & ~SquareSetOf(move.from)) | SquareSetOf(move.to);
  // (A king's reach never holds the other king.)
  if (Contains(PieceAttacks(kind, move.to, occupied), king)) return true;
  return (AttackersOf(position.sets, king, position.mover, occupied) & ~SquareSetOf(move.from)) != kNoSquares;
}

// Whether the side to move, the attacker, forces a mate in `pliesLeft`
// plies (an odd number) or fewer.
bool AttackerMates(const SearchBoard& position, int ply, int pliesLeft, MateContext* context) {
  if (Visit(context)) return false;
  const Side mover = position.mover;
  // A lone king gives no check.
  if (position.sets.Of(mover) == position.sets.Of(mover, kKing)) return false;
  // The last ply is cheaper to search than to look up.
  const Probe probe = pliesLeft > 1 ? Look(position, ply, context) : Probe{nullptr, 0, 0, kIdentity};
  const Known known = WhatIsKnown(probe, pliesLeft);
  if (known != Known::kNothing) return known == Known::kMates;
  MoveList moves;
  GenerateMoves(position, Analyse(position), &moves);
  // The checks first; on the last ply only they can mate.
  const int king = FirstSquare(position.sets.Of(Opponent(mover), kKing));
  int checks = 0;
  for (int i = 0; i < moves.count; ++i) {
    if (!GivesCheck(position, moves.moves[i], king)) continue;
    std::rotate(moves.moves + checks, moves.moves + i, moves.moves + i + 1);
    ++checks;
  }
  if (pliesLeft == 1) moves.count = checks;
  for (int i = 0; i < moves.count; ++i) {
    const SearchBoard child = PlayMove(position, moves.moves[i]);
    if (DefenderIsMated(child, Analyse(child), ply + 1, pliesLeft - 1, context)) return Keep(probe, pliesLeft, true);
    if (context->abandoned) return false;
  }
  return Keep(probe, pliesLeft, false);
}

// Centre distance of a square, 0 for the four centre squares to 3 on the edge.
constexpr int DistanceFromCentre(int square) {
  const int file = square / kBoardSize;
  const int rank = square % kBoardSize;
  return std::max(std::abs(2 * file - (kBoardSize - 1)), std::abs(2 * rank - (kBoardSize - 1))) / 2;
}

// The defender's moves in the order most likely to escape: the move that
// escaped from this position before, the one that escaped last at this
// ply, the captures, then the king's moves towards the centre, where it has
// the most room, then the rest.
void OrderEscapes(const SearchBoard& position, const Probe& probe, const GeneratedMove* lastEscape, MoveList* moves) {
  const SquareSet enemies = position.sets.Of(Opponent(position.mover));
  constexpr int kOtherPieces = kBoardSize;
  auto rank = [&position, enemies](GeneratedMove move) {
    if (Contains(enemies, move.to)) return 0;
    if (KindOf(position.board.squares[move.from]) != kKing) return kOtherPieces;
    return 1 + DistanceFromCentre(move.to);
  };
  std::stable_sort(moves->moves, moves->moves + moves->count,
                   [&rank](GeneratedMove a, GeneratedMove b) { return rank(a) < rank(b); });
  int next = 0;
  for (const GeneratedMove tried :
       {probe.Holds() ? UnreflectedMove(probe.entry->escape, probe.symmetry) : GeneratedMove{}, *lastEscape}) {
    GeneratedMove* const end = moves->moves + moves->count;
    GeneratedMove* const found = std::find(moves->moves + next, end, tried);
    if (found == end) continue;
    std::rotate(moves->moves + next, found, found + 1);
    ++next;
  }
}

// Whether the side to move, the defender, is mated in `pliesLeft` plies (an
// even number) or fewer, whatever it plays.
bool DefenderIsMated(const SearchBoard& position, const Analysis& analysis, int ply, int pliesLeft,
                     MateContext* context) {
  if (Visit(context)) return false;
  if (pliesLeft == 0) return IsMated(position, analysis);
  // A position without a legal move is never kept, so the table is looked
  // at before the moves are made.
  const Probe probe = Look(position, ply, context);
  const Known known = WhatIsKnown(probe, pliesLeft);
  if (known != Known::kNothing) return known == Known::kMates;
  MoveList moves;
  GenerateMoves(position, analysis, &moves);
  if (moves.count == 0) return analysis.checkers != kNoSquares;  // mate, or stalemate
  OrderEscapes(position, probe, &context->escapes[ply], &moves);
  const bool looksAtTheGame = ply == 1 && !context->limits->earlier->empty();
  for (int i = 0; i < moves.count; ++i) {
    const SearchBoard child = PlayMove(position, moves.moves[i]);
    // A reply back into a position of the game is a draw.
    if ((looksAtTheGame && IsRepetition(child, *context->limits->earlier)) ||
        !AttackerMates(child, ply + 1, pliesLeft - 1, context)) {
      if (context->abandoned) return false;
      context->escapes[ply] = moves.moves[i];
      return Keep(probe, pliesLeft, false, moves.moves[i]);
    }
  }
  return Keep(probe, pliesLeft, true);
}

// The attacker's piece where it has a king and a queen, or a king and a
// rook, the defender a lone king, and no castling right is left (so none
// comes back); kPieceKinds otherwise.
PieceKind LoneKingEnding(const PieceSets& sets, Side attacker, Move last) {
  const SquareSet others = sets.Of(attacker) & ~sets.Of(attacker, kKing);
  const Side defender = Opponent(attacker);
  if (HasCastlingRight(last) || !HasOneSquare(others) || sets.Of(defender) != sets.Of(defender, kKing)) {
    return kPieceKinds;
  }
  for (PieceKind piece : {kQueen, kRook}) {
    if (others == sets.Of(attacker, piece)) return piece;
  }
  return kPieceKinds;
}

// The root's mate read from the solved ending: a root move mates in one
// more ply than the table gives the defender after it, unless a reply goes
// back into a position of the game, which escapes.
ForcedMate SolvedMate(const SearchBoard& root, const MoveList& moves, const bool* repeats,
                      const MateSearchLimits& limits, PieceKind piece) {
  const LoneKingMates mates = SolveLoneKingMates(piece);
  const Side attacker = root.mover;
  const Side defender = Opponent(attacker);
  ForcedMate found{-1, 0, 0};
  for (int i = 0; i < moves.count; ++i) {
    if (repeats[i]) continue;
    const SearchBoard child = PlayMove(root, moves.moves[i]);
    ++found.nodes;
    const PieceSets& sets = child.sets;
    const int defenderPlies = mates.plies[LoneKingIndex(
        Mover::kDefender, {FirstSquare(sets.Of(attacker, kKing)), FirstSquare(sets.Of(attacker, piece)),
                           FirstSquare(sets.Of(defender, kKing))})];
    const int plies = defenderPlies + 1;
    if (defenderPlies == kNoForcedMate || plies > limits.mostPlies || (found.moveIndex >= 0 && plies >= found.plies)) {
      continue;
    }
    MoveList replies;
    GenerateMoves(child, Analyse(child), &replies);
    bool escapes = false;
    for (int r = 0; r < replies.count && !escapes; ++r) {
      ++found.nodes;
      escapes = IsRepetition(PlayMove(child, replies.moves[r]), *limits.earlier);
    }
    if (!escapes) found = {i, plies, found.nodes};
  }
  return found;
}

}  // namespace

bool MateSearchApplies(const SearchBoard& position) {
  const PieceSets& sets = position.sets;
  if (position.opponentInCheck) return false;
  int material = 0;
  int pieces = 0;
  // The threat term's largest sum, and its largest count, from what each
  // piece can be attacked by.
  int threatSum = kCheckPenalty;
  int threatCount = 1;
  for (Side side : {Side::kWhite, Side::kBlack}) {
    const Side enemy = Opponent(side);
    if (sets.Of(side, kPawn) != kNoSquares || !HasOneSquare(sets.Of(side, kKing))) return false;
    pieces += CountSquares(sets.Of(side));
    const bool bishops = sets.Of(enemy, kBishop) != kNoSquares;
    const bool knights = sets.Of(enemy, kKnight) != kNoSquares;
    const bool rooks = sets.Of(enemy, kRook) != kNoSquares;
    const int queens = CountSquares(sets.Of(side, kQueen));
    const int ownRooks = CountSquares(sets.Of(side, kRook));
    material += queens * kQueenValue + ownRooks * kRookValue +
                CountSquares(sets.Of(side, kBishop) | sets.Of(side, kKnight)) * kKnightValue;
    threatSum +=
        queens * ((bishops ? kQueenByBishop : 0) + (knights ? kQueenByKnight : 0) + (rooks ? kQueenByRook : 0));
    threatCount += queens * (bishops + knights + rooks);
    threatSum += ownRooks * ((bishops ? kRookByBishop : 0) + (knights ? kRookByKnight : 0));
    threatCount += ownRooks * (bishops + knights);
  }
  static_assert(kKnightValue == kBishopValue, "minor pieces are counted as knights");
  const int most = material + pieces * kMostPlacement + threatSum * ThreatMultiplier(threatCount);
  return most < kMateScore - kMaxPly;
}

ForcedMate FindShortestMate(const SearchBoard& root, const MoveList& moves, const bool* repeats,
                            const MateSearchLimits& limits) {
  // Solving takes up to 0.05 s on two shared cores, and is not broken off:
  // with less time than twice that, the mate is searched, as far as the
  // clock lets it.
  constexpr auto kTimeToSolve = std::chrono::milliseconds(100);
  const PieceKind piece = LoneKingEnding(root.sets, root.mover, root.lastMove);
  if (piece != kPieceKinds && limits.stopBy - std::chrono::steady_clock::now() >= kTimeToSolve) {
    return SolvedMate(root, moves, repeats, limits, piece);
  }
  MateContext context;
  context.limits = &limits;
  const std::size_t size = std::size_t{1} << kMateTableBits;
  context.table = TakeZeroedTable<MateEntry>(size);
  context.tableSize = context.table ? size : 0;
  constexpr int kMovesAPly = 2;
  for (int plies = 1; plies <= limits.mostPlies; plies += kMovesAPly) {
    for (int i = 0; i < moves.count; ++i) {
      if (repeats[i]) continue;
      const SearchBoard child = PlayMove(root, moves.moves[i]);
      const bool mated = DefenderIsMated(child, Analyse(child), 1, plies - 1, &context);
      if (context.abandoned) return {-1, 0, context.nodes};
      if (mated) return {i, plies, context.nodes};
    }
  }
  return {-1, 0, context.nodes};
}
