#include "engine/evaluation.h"

#include <cstdlib>

#include "engine/evaluation_tables.h"

namespace {

// Every queen, rook, bishop and knight attacked by a lesser enemy piece, and
// every king in check, costs its owner; the sum, from White's point of view,
// weighs more the more one-sided the threats are. A bishop or rook attacks
// along its lines up to the first piece; queens never count as attackers.
int Threats(const SearchBoard& position, const Analysis& analysis) {
  const PieceSets& sets = position.sets;
  int sum = 0;
  int count = 0;
  for (Side owner : {Side::kWhite, Side::kBlack}) {
    const int sign = owner == Side::kWhite ? -1 : 1;
    auto threats = [&sum, &count, sign](SquareSet threatened, int penalty) {
      if (threatened == kNoSquares) return;
      const int hits = CountSquares(threatened);
      sum += sign * hits * penalty;
      count += sign * hits;
    };
    const SideAttacks& by = analysis.attacks[IndexOf(Opponent(owner))];
    const SquareSet queens = sets.Of(owner, kQueen);
    const SquareSet rooks = sets.Of(owner, kRook);
    if (((queens | rooks) & (by.byPawns | by.byBishops | by.byKnights | by.byRooks)) != kNoSquares) {
      threats(queens & by.byPawns, kQueenByPawn);
      threats(queens & by.byBishops, kQueenByBishop);
      threats(queens & by.byKnights, kQueenByKnight);
      threats(queens & by.byRooks, kQueenByRook);
      threats(rooks & by.byPawns, kRookByPawn);
      threats(rooks & by.byBishops, kRookByBishop);
      threats(rooks & by.byKnights, kRookByKnight);
    }
    threats((sets.Of(owner, kBishop) | sets.Of(owner, kKnight)) & by.byPawns, kMinorByPawn);
    // Every king of the side pays when its first king stands in check.
    const bool inCheck = owner == position.mover ? analysis.checkers != kNoSquares : position.opponentInCheck;
    if (inCheck) threats(sets.Of(owner, kKing), kCheckPenalty);
  }
  return sum * ThreatMultiplier(std::abs(count));
}

bool IsAnyKingInCheck(const SearchBoard& position, const Analysis& analysis) {
  return analysis.checkers != kNoSquares || position.opponentInCheck;
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
