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
    // The owner's penalties and their number; most tests find nothing.
    int penalties = 0;
    int hitCount = 0;
    auto threats = [&penalties, &hitCount](int hits, int penalty) {
      if (hits == 0) return;
      penalties += hits * penalty;
      hitCount += hits;
    };
    const Side enemy = Opponent(owner);
    const SquareSet byPawns = PawnAttacksOfAll(enemy, sets.Of(enemy, kPawn));
    const SquareSet bishops = sets.Of(enemy, kBishop);
    const SquareSet knights = sets.Of(enemy, kKnight);
    const SquareSet rooks = sets.Of(enemy, kRook);
    // Whether a bishop or rook reaches the square; looked along the lines
    // only when one stands on them.
    auto byBishop = [occupied, bishops](int square) {
      return (Diagonals(square) & bishops) != kNoSquares && (BishopAttacks(square, occupied) & bishops) != kNoSquares;
    };
    auto byRook = [occupied, rooks](int square) {
      return (Lines(square) & rooks) != kNoSquares && (RookAttacks(square, occupied) & rooks) != kNoSquares;
    };
    for (SquareSet queens = sets.Of(owner, kQueen); queens != kNoSquares;) {
      const int queen = TakeFirstSquare(&queens);
      threats(Contains(byPawns, queen), kQueenByPawn);
      threats(byBishop(queen), kQueenByBishop);
      threats((KnightAttacks(queen) & knights) != kNoSquares, kQueenByKnight);
      threats(byRook(queen), kQueenByRook);
    }
    for (SquareSet ownRooks = sets.Of(owner, kRook); ownRooks != kNoSquares;) {
      const int rook = TakeFirstSquare(&ownRooks);
      threats(Contains(byPawns, rook), kRookByPawn);
      threats(byBishop(rook), kRookByBishop);
      threats((KnightAttacks(rook) & knights) != kNoSquares, kRookByKnight);
    }
    threats(CountSquares((sets.Of(owner, kBishop) | sets.Of(owner, kKnight)) & byPawns), kMinorByPawn);
    // Every king of the side pays when its first king stands in check.
    const bool inCheck = owner == position.mover ? analysis.checkers != kNoSquares : position.opponentInCheck;
    if (inCheck) threats(CountSquares(sets.Of(owner, kKing)), kCheckPenalty);
    const int sign = owner == Side::kWhite ? -1 : 1;
    sum += sign * penalties;
    count += sign * hitCount;
  }
  return sum * ThreatMultiplier(std::abs(count));
}

}  // namespace

int NoLegalMoveScore(const SearchBoard& position, const Analysis& analysis) {
  return analysis.checkers != kNoSquares || position.opponentInCheck ? -kMateScore : kStalemateScore;
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

int EvaluateWithMateDistance(const SearchBoard& position, const Analysis& analysis, int ply) {
  if (HasLegalMove(position, analysis)) {
    const int forMover =
        position.mover == Side::kBlack ? -position.materialAndPlacement : position.materialAndPlacement;
    const int threats = Threats(position, analysis);
    return forMover + (position.mover == Side::kBlack ? -threats : threats);
  }
  return MateByDistance(NoLegalMoveScore(position, analysis), ply);
}

int EvaluatePosition(const Board* board, char side, Move lastMove) {
  const SearchBoard position = MakeSearchBoard(board, lastMove);
  const int forMover = Evaluate(position, Analyse(position));
  return SideOfLetter(side) == position.mover ? forMover : -forMover;
}

int PlacementValue(int file, int rank, const Board* board) {
  return PlacementValue(PieceAt(board, file, rank), SquareIndex(file, rank));
}

int ThreatScore(const Board* board, Move lastMove) {
  const SearchBoard position = MakeSearchBoard(board, lastMove);
  return Threats(position, Analyse(position));
}
