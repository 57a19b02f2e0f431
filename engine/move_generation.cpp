#include "engine/move_generation.h"

#include "engine/attack_tables.h"
#include "engine/evaluation_tables.h"
#include "model/apply_move.h"
#include "rules/legality.h"

SquareSet AttackersOf(const PieceSets& sets, int square, Side attacker, SquareSet occupied) {
  const SquareSet queens = sets.Of(attacker, kQueen);
  const SquareSet diagonal = Diagonals(square) & (sets.Of(attacker, kBishop) | queens);
  const SquareSet straight = Lines(square) & (sets.Of(attacker, kRook) | queens);
  SquareSet attackers = (PawnAttacks(Opponent(attacker), square) & sets.Of(attacker, kPawn)) |
                        (KnightAttacks(square) & sets.Of(attacker, kKnight)) |
                        (KingAttacks(square) & sets.Of(attacker, kKing));
  // Sliders are followed only when one stands on a line through the square.
  if (diagonal != kNoSquares) attackers |= BishopAttacks(square, occupied) & diagonal;
  if (straight != kNoSquares) attackers |= RookAttacks(square, occupied) & straight;
  return attackers;
}

int EnPassantTarget(const SearchBoard& position) {
  const Move last = position.lastMove;
  const bool white = position.mover == Side::kWhite;
  const bool doubleStep =
      PieceAt(&position.board, GetToFile(last), GetToRank(last)) == PieceOf(Opponent(position.mover), 'P') &&
      GetToRank(last) == (white ? kRank5 : kRank4) && GetFromRank(last) == (white ? kRank7 : kRank2);
  return doubleStep ? SquareIndex(GetToFile(last), white ? kRank6 : kRank3) : kNoSquare;
}

namespace {

// Every square a piece of the side attacks.
SquareSet AttackedBy(const PieceSets& sets, Side side) {
  const SquareSet occupied = sets.Occupied();
  const SquareSet queens = sets.Of(side, kQueen);
  SquareSet attacked = PawnAttacksOfAll(side, sets.Of(side, kPawn));
  for (SquareSet set = sets.Of(side, kKnight); set != kNoSquares;) attacked |= KnightAttacks(TakeFirstSquare(&set));
  for (SquareSet set = sets.Of(side, kBishop) | queens; set;)
    attacked |= BishopAttacks(TakeFirstSquare(&set), occupied);
  for (SquareSet set = sets.Of(side, kRook) | queens; set;) attacked |= RookAttacks(TakeFirstSquare(&set), occupied);
  for (SquareSet set = sets.Of(side, kKing); set != kNoSquares;) attacked |= KingAttacks(TakeFirstSquare(&set));
  return attacked;
}

// Whether the mover's king stands unattacked once the piece on `from` is on
// `to` and the piece on `removed` (the one taken, if any) is off the board:
// it neither attacks nor blocks.
bool KingSafeAfter(const SearchBoard& position, const Analysis& analysis, int from, int to, int removed) {
  if (analysis.king == kNoSquare) return true;
  const SquareSet occupied = (position.sets.Occupied() & ~SquareSetOf(from) & ~SquareSetOf(removed)) | SquareSetOf(to);
  const int king = from == analysis.king ? to : analysis.king;
  return (AttackersOf(position.sets, king, Opponent(position.mover), occupied) & ~SquareSetOf(removed)) == kNoSquares;
}

// Whether a move other than en passant that follows its piece's movement is
// legal: a piece that is not pinned cannot uncover its king, so it need only
// answer a check; the king's and the pinned pieces' moves are played out.
bool IsLegal(const SearchBoard& position, const Analysis& analysis, int from, int to) {
  if (from == analysis.king || Contains(analysis.pinned, from)) return KingSafeAfter(position, analysis, from, to, to);
  return Contains(analysis.answersCheck, to);
}

// The keep function of a generator that collects every move in a list.
auto AddTo(MoveList* list) {
  return [list](GeneratedMove move) {
    list->Add(move);
    return true;
  };
}

// Castling: the right still held, the king at home and not in check, every
// square between king and rook empty, and the squares the king passes over
// and lands on unattacked. Once castled the king is safe: the only line the
// move opens towards its new square runs through the rook's corner.
SquareSet CastlingTargets(const SearchBoard& position, const Analysis& analysis, int from) {
  const bool white = position.mover == Side::kWhite;
  const int home = white ? kRank1 : kRank8;
  if (from != SquareIndex(kFileE, home) || analysis.checkers != kNoSquares) return kNoSquares;
  const Move last = position.lastMove;
  const PieceSets& sets = position.sets;
  auto empty = [&sets, home](int file) { return !Contains(sets.Occupied(), SquareIndex(file, home)); };
  auto safe = [&sets, &position, home](int file) {
    return AttackersOf(sets, SquareIndex(file, home), Opponent(position.mover), sets.Occupied()) == kNoSquares;
  };
  SquareSet targets = kNoSquares;
  if ((white ? GetCastleWhiteQueenSide(last) : GetCastleBlackQueenSide(last)) && empty(kFileB) && empty(kFileC) &&
      empty(kFileD) && safe(kFileD) && safe(kFileC)) {
    targets |= SquareSetOf(SquareIndex(kFileC, home));
  }
  if ((white ? GetCastleWhiteKingSide(last) : GetCastleBlackKingSide(last)) && empty(kFileF) && empty(kFileG) &&
      safe(kFileF) && safe(kFileG)) {
    targets |= SquareSetOf(SquareIndex(kFileG, home));
  }
  return targets;
}

SquareSet PawnTargets(const SearchBoard& position, int from, int enPassant) {
  const Side mover = position.mover;
  const SquareSet empty = ~position.sets.Occupied();
  const SquareSet step = StepForward(mover, SquareSetOf(from)) & empty;
  const SquareSet doubleStep = StepForward(mover, step) & empty & RankSet(mover == Side::kWhite ? kRank4 : kRank5);
  SquareSet captures = PawnAttacks(mover, from) & position.sets.Of(Opponent(mover));
  if (enPassant != kNoSquare) captures |= PawnAttacks(mover, from) & SquareSetOf(enPassant) & empty;
  return step | doubleStep | captures;
}

// Hands the legal moves of the side to move whose targets lie in `wanted`,
// in generation order, to `keep`, which answers whether to go on. Returns
// false once it has said no.
template <typename Keep>
bool Generate(const SearchBoard& position, const Analysis& analysis, SquareSet wanted, Keep keep) {
  const SquareSet own = position.sets.Of(position.mover);
  const SquareSet occupied = position.sets.Occupied();
  const int enPassant = EnPassantTarget(position);
  const int lastTarget = SquareIndex(GetToFile(position.lastMove), GetToRank(position.lastMove));
  for (SquareSet pieces = own; pieces != kNoSquares;) {
    const int from = TakeFirstSquare(&pieces);
    const PieceKind kind = KindOf(position.board.squares[from]);
    SquareSet targets = kind == kPawn ? PawnTargets(position, from, enPassant) : PieceAttacks(kind, from, occupied);
    if (kind == kKing) targets |= CastlingTargets(position, analysis, from);
    targets &= ~own & wanted;
    // The targets legal for sure, and those to be played out: see IsLegal.
    // Castling targets were found safe; en passant takes a second piece off
    // the lines through the king.
    const bool king = from == analysis.king;
    const bool takesEnPassant = kind == kPawn && enPassant != kNoSquare && Contains(targets, enPassant);
    const SquareSet enPassantSet = takesEnPassant ? SquareSetOf(enPassant) : kNoSquares;
    const SquareSet playedOut = (king                              ? targets & KingAttacks(from)
                                 : Contains(analysis.pinned, from) ? targets
                                                                   : kNoSquares) |
                                enPassantSet;
    const SquareSet sure = (king ? targets : targets & analysis.answersCheck) & ~playedOut;
    for (SquareSet set = sure | playedOut; set != kNoSquares;) {
      const int to = TakeFirstSquare(&set);
      const int removed = to == enPassant && takesEnPassant ? lastTarget : to;
      if (Contains(playedOut, to) && !KingSafeAfter(position, analysis, from, to, removed)) continue;
      if (!keep(GeneratedMove{static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to)})) return false;
    }
  }
  return true;
}

// The position for `side`, whoever is to move, with what its moves need.
struct SideToPlay {
  SearchBoard position;
  Analysis analysis;
};

SideToPlay PositionFor(const Board* board, Move lastMove, Side side) {
  SearchBoard position = MakeSearchBoard(board, lastMove);
  position.mover = side;
  return {position, Analyse(position)};
}

// Whether a piece with the letter stands on a square `reach` gives from
// `square` on the board.
template <typename Reach>
bool Reaches(const Board* board, int square, char letter, Reach reach) {
  const PieceSets sets = SetsOf(board);
  return letter != kEmptySquare &&
         (reach(square, sets.Occupied()) & sets.Of(SideOfPiece(letter), KindOf(letter))) != kNoSquares;
}

}  // namespace

PieceSets SetsOf(const Board* board) {
  PieceSets sets{};
  for (int square = 0; square < kSquareCount; ++square) {
    const char letter = board->squares[square];
    if (letter == kEmptySquare) continue;
    sets.pieces[IndexOf(SideOfPiece(letter))][KindOf(letter)] |= SquareSetOf(square);
    sets.bySide[IndexOf(SideOfPiece(letter))] |= SquareSetOf(square);
  }
  return sets;
}

SearchBoard MakeSearchBoard(const Board* board, Move lastMove) {
  SearchBoard position{*board, lastMove, SideOfLetter(SideToMove(board, lastMove)), SetsOf(board), 0, false};
  for (int square = 0; square < kSquareCount; ++square) {
    position.materialAndPlacement += SquareValue(board->squares[square], square);
  }
  const SquareSet kings = position.sets.Of(Opponent(position.mover), kKing);
  position.opponentInCheck = kings != kNoSquares && AttackersOf(position.sets, FirstSquare(kings), position.mover,
                                                                position.sets.Occupied()) != kNoSquares;
  return position;
}

SearchBoard PlayMove(const SearchBoard& parent, GeneratedMove generated) {
  SearchBoard child;
  child.lastMove = ToMove(generated, parent.lastMove);
  ApplyMove(&parent.board, &child.lastMove, &child.board);
  child.mover = Opponent(parent.mover);
  child.sets = parent.sets;
  child.materialAndPlacement = parent.materialAndPlacement;
  child.opponentInCheck = false;
  // The squares ApplyMove may change: origin and target, the rook's corner
  // and landing square when a king castles, the square of a pawn taken en
  // passant. The sets and the score follow the board on each.
  int changed[4] = {generated.from, generated.to};
  int changedCount = 2;
  const char mover = parent.board.squares[generated.from];
  const int toFile = generated.to / kBoardSize;
  const int home = mover == 'K' ? kRank1 : kRank8;
  if (KindOf(mover) == kKing && generated.from == SquareIndex(kFileE, home) && (toFile == kFileC || toFile == kFileG)) {
    changed[changedCount++] = SquareIndex(toFile == kFileC ? kFileA : kFileH, home);
    changed[changedCount++] = SquareIndex(toFile == kFileC ? kFileD : kFileF, home);
  } else if (KindOf(mover) == kPawn && toFile != generated.from / kBoardSize &&
             parent.board.squares[generated.to] == kEmptySquare) {
    changed[changedCount++] = SquareIndex(toFile, mover == 'P' ? kRank5 : kRank4);
  }
  auto update = [&child](char letter, int square, int sign) {
    if (letter == kEmptySquare) return;
    const int side = IndexOf(SideOfPiece(letter));
    const PieceKind kind = KindOf(letter);
    child.sets.pieces[side][kind] ^= SquareSetOf(square);
    child.sets.bySide[side] ^= SquareSetOf(square);
    child.materialAndPlacement += sign * kSquareValues[side][kind][square];
  };
  for (int i = 0; i < changedCount; ++i) {
    const int square = changed[i];
    const char before = parent.board.squares[square];
    const char after = child.board.squares[square];
    if (before == after) continue;
    update(before, square, -1);
    update(after, square, 1);
  }
  assert(child.sets == SetsOf(&child.board));
  assert(parent.sets.Of(parent.mover, kKing) == kNoSquares ||
         AttackersOf(child.sets, FirstSquare(child.sets.Of(parent.mover, kKing)), child.mover, child.sets.Occupied()) ==
             kNoSquares);
  return child;
}

Analysis Analyse(const SearchBoard& position) {
  const PieceSets& sets = position.sets;
  const Side mover = position.mover;
  const Side enemy = Opponent(mover);
  Analysis analysis{};
  analysis.answersCheck = kAllSquares;
  const SquareSet kings = sets.Of(mover, kKing);
  analysis.king = kings == kNoSquares ? kNoSquare : FirstSquare(kings);
  if (analysis.king == kNoSquare) return analysis;
  const SquareSet occupied = sets.Occupied();
  analysis.checkers = AttackersOf(sets, analysis.king, enemy, occupied);
  // A check is answered by taking the checker or stepping between; two
  // checks only by a king move.
  if (HasOneSquare(analysis.checkers)) {
    analysis.answersCheck = analysis.checkers | Between(analysis.king, FirstSquare(analysis.checkers));
  } else if (analysis.checkers != kNoSquares) {
    analysis.answersCheck = kNoSquares;
  }
  const SquareSet queens = sets.Of(enemy, kQueen);
  SquareSet sliders = (Diagonals(analysis.king) & (sets.Of(enemy, kBishop) | queens)) |
                      (Lines(analysis.king) & (sets.Of(enemy, kRook) | queens));
  while (sliders != kNoSquares) {
    const SquareSet between = Between(analysis.king, TakeFirstSquare(&sliders)) & occupied;
    if (HasOneSquare(between)) analysis.pinned |= between & sets.Of(mover);
  }
  return analysis;
}

void GenerateMoves(const SearchBoard& position, const Analysis& analysis, MoveList* list) {
  list->count = 0;
  Generate(position, analysis, kAllSquares, AddTo(list));
}

void GenerateCapturesMostValuableFirst(const SearchBoard& position, const Analysis& analysis, MoveList* list) {
  constexpr PieceKind kMostValuableFirst[] = {kKing, kQueen, kRook, kBishop, kKnight, kPawn};
  const PieceSets& sets = position.sets;
  const SquareSet occupied = sets.Occupied();
  const SquareSet reached = AttackedBy(sets, position.mover);
  list->count = 0;
  for (PieceKind victim : kMostValuableFirst) {
    for (SquareSet victims = sets.Of(Opponent(position.mover), victim) & reached; victims != kNoSquares;) {
      const int to = TakeFirstSquare(&victims);
      const SquareSet attackers = AttackersOf(sets, to, position.mover, occupied);
      for (int i = kPieceKinds - 1; i >= 0 && attackers != kNoSquares; --i) {
        for (SquareSet set = attackers & sets.Of(position.mover, kMostValuableFirst[i]); set != kNoSquares;) {
          const int from = TakeFirstSquare(&set);
          if (IsLegal(position, analysis, from, to)) {
            list->Add({static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to)});
          }
        }
      }
    }
  }
}

void GenerateMovesCapturesFirst(const SearchBoard& position, const Analysis& analysis, MoveList* list) {
  GenerateCapturesMostValuableFirst(position, analysis, list);
  AddNonCaptures(position, analysis, list);
}

void AddNonCaptures(const SearchBoard& position, const Analysis& analysis, MoveList* list) {
  Generate(position, analysis, ~position.sets.Of(Opponent(position.mover)), AddTo(list));
}

bool HasLegalMove(const SearchBoard& position, const Analysis& analysis) {
  // Most positions answer at once: a pawn that is not pinned steps forward
  // onto an empty square that answers any check.
  const Side mover = position.mover;
  const SquareSet freePawns = position.sets.Of(mover, kPawn) & ~analysis.pinned;
  if ((StepForward(mover, freePawns) & ~position.sets.Occupied() & analysis.answersCheck) != kNoSquares) return true;
  return !Generate(position, analysis, kAllSquares, [](GeneratedMove) { return false; });
}

void GenerateMoves(const Board* board, Move lastMove, Side side, MoveList* list) {
  const SideToPlay play = PositionFor(board, lastMove, side);
  GenerateMoves(play.position, play.analysis, list);
}

void GenerateCaptures(const Board* board, Move lastMove, Side side, MoveList* list) {
  const SideToPlay play = PositionFor(board, lastMove, side);
  list->count = 0;
  Generate(play.position, play.analysis, play.position.sets.Of(Opponent(side)), AddTo(list));
}

bool HasLegalMove(const Board* board, Move lastMove, Side side) {
  const SideToPlay play = PositionFor(board, lastMove, side);
  return HasLegalMove(play.position, play.analysis);
}

bool IsSquareAttackedBy(const Board* board, int square, Side attacker) {
  const PieceSets sets = SetsOf(board);
  return AttackersOf(sets, square, attacker, sets.Occupied()) != kNoSquares;
}

bool IsKingInCheck(const Board* board, Side side) {
  const int king = FindPiece(board, PieceOf(side, 'K'));
  return king != kNoSquare && IsSquareAttackedBy(board, king, Opponent(side));
}

bool IsReachedAlongDiagonals(const Board* board, int square, char slider) {
  return Reaches(board, square, slider, BishopAttacks);
}

bool IsReachedAlongLines(const Board* board, int square, char slider) {
  return Reaches(board, square, slider, RookAttacks);
}

bool IsReachedByKnight(const Board* board, int square, char knight) {
  return Reaches(board, square, knight, [](int from, SquareSet) { return KnightAttacks(from); });
}
