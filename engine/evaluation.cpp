#include "engine/evaluation.h"

#include <cstdlib>

#include "engine/attack_tables.h"
#include "engine/evaluation_tables.h"

namespace {

// Every queen, rook, bishop and knight attacked by a lesser enemy piece, and
// every king in check, costs its owner; the sum, from White's point of view,
// weighs more the more one-sided the threats are. A bishop or rook attacks
// along its lines up to the first piece; queens never count as attackers.
int Threats(const SearchBoard& position, const Analysis& analysis) {
  const PieceSets& sets = position.sets;
  const SquareSet occupied = sets.Occupied();
  int sum = 0;
  int count = 0;
  for (Side owner : {Side::kWhite, Side::kBlack}) {
    const Side enemy = Opponent(owner);
    const int sign = owner == Side::kWhite ? -1 : 1;
    const SquareSet queens = sets.Of(owner, kQueen);
    const SquareSet rooks = sets.Of(owner, kRook);
    const SquareSet minors = sets.Of(owner, kBishop) | sets.Of(owner, kKnight);
    const SideAttacks& by = analysis.attacks[IndexOf(enemy)];
    const struct {
      SquareSet threatened;
      int penalty;
    } threats[] = {
        {queens & by.byPawns, kQueenByPawn},     {queens & by.byBishops, kQueenByBishop},
        {queens & by.byKnights, kQueenByKnight}, {queens & by.byRooks, kQueenByRook},
        {rooks & by.byPawns, kRookByPawn},       {rooks & by.byBishops, kRookByBishop},
        {rooks & by.byKnights, kRookByKnight},   {minors & by.byPawns, kMinorByPawn},
    };
    for (const auto& threat : threats) {
      const int hits = CountSquares(threat.threatened);
      sum += sign * hits * threat.penalty;
      count += sign * hits;
    }
    for (SquareSet kings = sets.Of(owner, kKing); kings != kNoSquares;) {
      const int king = TakeFirstSquare(&kings);
      const bool inCheck = owner == position.mover ? analysis.checkers != kNoSquares
                                                   : AttackersOf(sets, king, enemy, occupied) != kNoSquares;
      if (inCheck) {
        sum += sign * kCheckPenalty;
        count += sign;
      }
    }
  }
  return sum * ThreatMultiplier(std::abs(count));
}

bool IsAnyKingInCheck(const SearchBoard& position, const Analysis& analysis) {
  const PieceSets& sets = position.sets;
  const SquareSet kings = sets.Of(Opponent(position.mover), kKing);
  return analysis.checkers != kNoSquares ||
         (kings != kNoSquares && AttackersOf(sets, FirstSquare(kings), position.mover, sets.Occupied()) != kNoSquares);
}

}  // namespace

int NoLegalMoveScore(const SearchBoard& position, const Analysis& analysis) {
  return IsAnyKingInCheck(position, analysis) ? -kMateScore : kStalemateScore;
}

int Evaluate(const SearchBoard& position, const Analysis& analysis) {
  int forMover = position.materialAndPlacement;
  if (position.mover == Side::kBlack) forMover = -forMover;
  if (!HasLegalMove(position, analysis)) {
    forMover = NoLegalMoveScore(position, analysis);
    if (forMover == kStalemateScore) return kStalemateScore;  // whatever the material
  }
  // A mate score replaces material and placement; threats still count.
  const int threats = Threats(position, analysis);
  return forMover + (position.mover == Side::kBlack ? -threats : threats);
}

int Evaluate(const Board* board, Side side, Move lastMove) {
  const SearchBoard position = MakeSearchBoard(board, lastMove);
  const int forMover = Evaluate(position, Analyse(position));
  return side == position.mover ? forMover : -forMover;
}

int EvaluatePosition(const Board* board, char side, Move lastMove) {
  return Evaluate(board, SideOfLetter(side), lastMove);
}

int PlacementValue(int file, int rank, const Board* board) {
  return PlacementValue(PieceAt(board, file, rank), SquareIndex(file, rank));
}

int ThreatScore(const Board* board, Move lastMove) {
  const SearchBoard position = MakeSearchBoard(board, lastMove);
  return Threats(position, Analyse(position));
}
