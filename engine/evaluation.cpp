#include "engine/evaluation.h"

#include <cstdlib>

#include "engine/evaluation_tables.h"

namespace {

// Every queen, rook, bishop and knight attacked by a lesser enemy piece, and
// every king in check, costs its owner; the sum, from White's point of view,
// weighs more the more one-sided the threats are. A bishop or rook attacks
// along its lines up to the first piece; queens never count as attackers.
int Threats(const SearchBoard& position, const Analysis& analysis) {
  int sum = 0;
  int count = 0;
  for (Side owner : {Side::kWhite, Side::kBlack}) {
    const PieceSets& sets = position.sets;
    const SideAttacks& enemy = analysis.attacks[IndexOf(Opponent(owner))];
    const SquareSet queens = sets.Of(owner, kQueen);
    const SquareSet rooks = sets.Of(owner, kRook);
    const SquareSet minors = sets.Of(owner, kBishop) | sets.Of(owner, kKnight);
    const struct {
      SquareSet threatened;
      int penalty;
    } threats[] = {
        {sets.Of(owner, kKing) & enemy.all, kCheckPenalty},
        {queens & enemy.byPawns, kQueenByPawn},
        {queens & enemy.byBishops, kQueenByBishop},
        {queens & enemy.byKnights, kQueenByKnight},
        {queens & enemy.byRooks, kQueenByRook},
        {rooks & enemy.byPawns, kRookByPawn},
        {rooks & enemy.byBishops, kRookByBishop},
        {rooks & enemy.byKnights, kRookByKnight},
        {minors & enemy.byPawns, kMinorByPawn},
    };
    const int sign = owner == Side::kWhite ? -1 : 1;
    for (const auto& threat : threats) {
      const int hits = CountSquares(threat.threatened);
      sum += sign * hits * threat.penalty;
      count += sign * hits;
    }
  }
  return sum * ThreatMultiplier(std::abs(count));
}

bool IsAnyKingInCheck(const SearchBoard& position, const Analysis& analysis) {
  return analysis.checkers != kNoSquares || (position.sets.Of(Opponent(position.mover), kKing) &
                                             analysis.attacks[IndexOf(position.mover)].all) != kNoSquares;
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
