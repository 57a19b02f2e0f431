// Constant scoring tables. A pawn is worth 1000 points.
#pragma once

#include <array>

#include "engine/side.h"
#include "model/board.h"

// The score of a mated side's opponent; a mate replaces material.
constexpr int kMateScore = 99000;
constexpr int kStalemateScore = 0;

// The score of a position with no legal move `ply` plies below the root, by
// distance: a mate (+kMateScore for the side that mates, -kMateScore for the
// side mated) brought `ply` nearer 0, so that a nearer mate is worth more to
// the side that mates; a stalemate stays kStalemateScore.
constexpr int MateByDistance(int noMoveScore, int ply) {
  if (noMoveScore == kStalemateScore) return kStalemateScore;
  return noMoveScore > 0 ? noMoveScore - ply : noMoveScore + ply;
}
constexpr int kCheckPenalty = 1000;

constexpr int kPawnValue = 1000;
constexpr int kKnightValue = 3000;
constexpr int kBishopValue = 3000;
constexpr int kRookValue = 5000;
constexpr int kQueenValue = 9000;
// Both kings are always on the board, so their values cancel in every score:
// the figure equals the mate score but is not the mate score.
constexpr int kKingValue = 99000;

// Material value of a piece letter, positive for White, negative for Black,
// 0 for an empty square.
constexpr int MaterialValue(char letter) {
  constexpr int kValues[kPieceKinds] = {kPawnValue, kKnightValue, kBishopValue, kRookValue, kQueenValue, kKingValue};
  if (letter == kEmptySquare) return 0;
  return IsWhitePiece(letter) ? kValues[KindOf(letter)] : -kValues[KindOf(letter)];
}

using PlacementTable = std::array<std::array<int, 8>, 8>;

// Placement tables, row 0 the far side of the board as seen by the piece's
// owner and row 7 its own back rank; columns are files a to h for both sides.
constexpr PlacementTable kBishopTable{{
    {-100, -100, -100, -100, -100, -100, -100, -100},
    {-100, 25, 0, 0, 0, 0, 25, -100},
    {-100, 0, 50, 50, 50, 50, 0, -100},
    {-100, 0, 50, 100, 100, 50, 0, -100},
    {-100, 0, 50, 100, 100, 50, 0, -100},
    {-100, 0, 50, 50, 50, 50, 0, -100},
    {-100, 25, 0, 0, 0, 0, 25, -100},
    {-100, -100, -200, -100, -100, -200, -100, -100},
}};

constexpr PlacementTable kKnightTable{{
    {-100, -100, -100, -100, -100, -100, -100, -100},
    {-100, 0, 0, 0, 0, 0, 0, -100},
    {-100, 0, 50, 50, 50, 50, 0, -100},
    {-100, 0, 50, 100, 100, 50, 0, -100},
    {-100, 0, 50, 100, 100, 50, 0, -100},
    {-100, 0, 50, 50, 50, 50, 0, -100},
    {-100, 0, 0, 0, 0, 0, 0, -100},
    {-100, -200, -100, -100, -100, -100, -200, -100},
}};

// Centre pawns still at home cost the most; pawns about to promote earn well.
constexpr PlacementTable kPawnTable{{
    {0, 0, 0, 0, 0, 0, 0, 0},
    {200, 200, 200, 200, 200, 200, 200, 200},
    {40, 80, 120, 160, 160, 120, 80, 40},
    {30, 60, 90, 120, 120, 90, 60, 30},
    {20, 20, 60, 100, 100, 10, 20, 10},
    {10, 20, 0, -10, -10, 0, 20, 0},
    {0, 0, 0, -200, -200, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},
}};

// A king is safest at home, best of all after castling.
constexpr PlacementTable kKingTable{{
    {-80, -80, -80, -80, -80, -80, -80, -80},
    {-80, -80, -80, -80, -80, -80, -80, -80},
    {-80, -80, -80, -80, -80, -80, -80, -80},
    {-80, -80, -80, -80, -80, -80, -80, -80},
    {-80, -80, -80, -80, -80, -80, -80, -80},
    {-80, -80, -80, -80, -80, -80, -80, -80},
    {-40, -40, -40, -40, -40, -40, -40, -40},
    {0, 40, 200, -40, 0, -40, 200, 40},
}};

// The placement-table entry of a piece letter on a square, signed for its
// colour; 0 for pieces without a table and for an empty square.
constexpr int PlacementValue(char letter, int square) {
  constexpr const PlacementTable* kTables[kPieceKinds] = {&kPawnTable, &kKnightTable, &kBishopTable,
                                                          nullptr,     nullptr,       &kKingTable};
  const PlacementTable* table = letter == kEmptySquare ? nullptr : kTables[KindOf(letter)];
  if (table == nullptr) return 0;
  const int file = square / kBoardSize;
  const int rank = square % kBoardSize;
  if (IsWhitePiece(letter)) return (*table)[kRank8 - rank][file];
  return -(*table)[rank][file];
}

// What a piece letter on a square adds to the score: material and placement.
constexpr int SquareValue(char letter, int square) { return MaterialValue(letter) + PlacementValue(letter, square); }

// The same for every piece on every square, by side and kind.
inline constexpr auto kSquareValues = [] {
  std::array<std::array<std::array<int, kSquareCount>, kPieceKinds>, kSides> values{};
  for (Side side : {Side::kWhite, Side::kBlack}) {
    for (int kind = 0; kind < kPieceKinds; ++kind) {
      for (int square = 0; square < kSquareCount; ++square) {
        values[IndexOf(side)][kind][square] = SquareValue(LetterOf(side, PieceKind(kind)), square);
      }
    }
  }
  return values;
}();

// Penalties, from the owner's point of view, for a piece attacked by a lesser
// enemy piece. Queens never count as attackers.
constexpr int kQueenByPawn = 800;
constexpr int kQueenByBishop = 600;
constexpr int kQueenByKnight = 600;
constexpr int kQueenByRook = 400;
constexpr int kRookByPawn = 400;
constexpr int kRookByBishop = 200;
constexpr int kRookByKnight = 200;
constexpr int kMinorByPawn = 200;

// Threats on one side only weigh more the more of them there are.
constexpr int ThreatMultiplier(int absoluteCount) {
  if (absoluteCount <= 1) return 1;
  if (absoluteCount == 2) return 5;
  if (absoluteCount == 3) return 10;
  return 15;
}
