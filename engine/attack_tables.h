// The squares each piece reaches, as constant tables built at compile time:
// knight, king and pawn attacks per square, the rays of the eight directions
// and the squares between two squares on a line. Sliders stop at the first
// piece on each ray, whichever side it belongs to.
#pragma once

#include <array>

#include "engine/side.h"
#include "engine/square_set.h"
#include "model/board.h"

namespace attack_tables {

struct Step {
  int file;
  int rank;
};

// North is towards rank 8, east towards the h-file. The first four
// directions go towards higher square indices, their opposites (the last
// four, in the same order) towards lower ones.
enum Direction { kNorth, kNorthEast, kEast, kSouthEast, kSouth, kSouthWest, kWest, kNorthWest, kDirections };
constexpr Step kDirectionSteps[kDirections] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
constexpr bool IsTowardsHigherSquares(int direction) { return direction < kSouth; }
constexpr Step kKnightSteps[8] = {{-2, -1}, {-2, 1}, {-1, -2}, {-1, 2}, {1, -2}, {1, 2}, {2, -1}, {2, 1}};

using PerSquare = std::array<SquareSet, kSquareCount>;

struct Tables {
  PerSquare knight{};
  PerSquare king{};
  std::array<PerSquare, kSides> pawn{};  // by the pawn's side
  std::array<PerSquare, kDirections> ray{};
  std::array<PerSquare, kSquareCount> between{};
};

constexpr SquareSet StepFrom(int square, Step step) {
  const int file = square / kBoardSize + step.file;
  const int rank = square % kBoardSize + step.rank;
  return IsOnBoard(file, rank) ? SquareSetOf(SquareIndex(file, rank)) : kNoSquares;
}

constexpr Tables MakeTables() {
  Tables tables;
  for (int square = 0; square < kSquareCount; ++square) {
    for (Step step : kKnightSteps) tables.knight[square] |= StepFrom(square, step);
    for (int direction = 0; direction < kDirections; ++direction) {
      tables.king[square] |= StepFrom(square, kDirectionSteps[direction]);
      // Walk the ray; each square on it has the squares walked so far between.
      SquareSet walked = kNoSquares;
      for (SquareSet next = StepFrom(square, kDirectionSteps[direction]); next != kNoSquares;
           next = StepFrom(FirstSquare(next), kDirectionSteps[direction])) {
        tables.between[square][FirstSquare(next)] = walked;
        walked |= next;
      }
      tables.ray[direction][square] = walked;
    }
    tables.pawn[IndexOf(Side::kWhite)][square] =
        StepFrom(square, kDirectionSteps[kNorthWest]) | StepFrom(square, kDirectionSteps[kNorthEast]);
    tables.pawn[IndexOf(Side::kBlack)][square] =
        StepFrom(square, kDirectionSteps[kSouthWest]) | StepFrom(square, kDirectionSteps[kSouthEast]);
  }
  return tables;
}

inline constexpr Tables kTables = MakeTables();

// The ray from the square up to and including the first piece on it. A ray
// towards higher squares that meets nothing ends as if at h8, whose rays in
// those directions are empty (likewise a1 for the other four).
constexpr SquareSet RayAttacks(int direction, int square, SquareSet occupied) {
  const SquareSet ray = kTables.ray[direction][square];
  const SquareSet blockers = ray & occupied;
  const int stop = IsTowardsHigherSquares(direction) ? FirstSquare(blockers | SquareSetOf(kSquareCount - 1))
                                                     : LastSquare(blockers | SquareSetOf(0));
  return ray ^ kTables.ray[direction][stop];
}

}  // namespace attack_tables

constexpr SquareSet KnightAttacks(int square) { return attack_tables::kTables.knight[square]; }
constexpr SquareSet KingAttacks(int square) { return attack_tables::kTables.king[square]; }

// The two squares a pawn of `side` on `square` captures on.
constexpr SquareSet PawnAttacks(Side side, int square) { return attack_tables::kTables.pawn[IndexOf(side)][square]; }

// The squares the side's pawns capture on, all at once.
constexpr SquareSet PawnAttacksOfAll(Side side, SquareSet pawns) {
  const SquareSet ahead = StepForward(side, pawns);
  return StepTowardsFileA(ahead) | StepTowardsFileH(ahead);
}

// The squares strictly between two squares on one file, rank or diagonal;
// empty for squares on no common line.
constexpr SquareSet Between(int from, int to) { return attack_tables::kTables.between[from][to]; }

// The squares a bishop or a rook on `square` reaches among the pieces of
// `occupied`, the first piece on each ray included.
constexpr SquareSet BishopAttacks(int square, SquareSet occupied) {
  using namespace attack_tables;
  return RayAttacks(kNorthEast, square, occupied) | RayAttacks(kSouthEast, square, occupied) |
         RayAttacks(kSouthWest, square, occupied) | RayAttacks(kNorthWest, square, occupied);
}
constexpr SquareSet RookAttacks(int square, SquareSet occupied) {
  using namespace attack_tables;
  return RayAttacks(kNorth, square, occupied) | RayAttacks(kEast, square, occupied) |
         RayAttacks(kSouth, square, occupied) | RayAttacks(kWest, square, occupied);
}
