// The squares each piece reaches, from constant tables built at compile
// time. A slider reaches along each of its lines up to and including the
// first piece, whichever side it belongs to; its reach along one line is
// looked up by the occupancy of the line's six inner squares.
#pragma once

#include <array>

#include "engine/side.h"
#include "engine/square_set.h"
#include "model/board.h"

// The squares the side's pawns capture on, all at once.
constexpr SquareSet PawnAttacksOfAll(Side side, SquareSet pawns) {
  const SquareSet ahead = StepForward(side, pawns);
  return StepTowardsFileA(ahead) | StepTowardsFileH(ahead);
}

namespace attack_tables {

struct Step {
  int file;
  int rank;
};

// North is towards rank 8, east towards the h-file; diagonals and straight
// directions alternate.
enum Direction { kNorth, kNorthEast, kEast, kSouthEast, kSouth, kSouthWest, kWest, kNorthWest, kDirections };
constexpr Step kDirectionSteps[kDirections] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
constexpr bool IsDiagonal(int direction) { return direction % 2 == 1; }
constexpr Step kKnightSteps[8] = {{-2, -1}, {-2, 1}, {-1, -2}, {-1, 2}, {1, -2}, {1, 2}, {2, -1}, {2, 1}};

// A line of eight squares: its first and last square never block anything
// beyond them, so six inner squares decide a slider's reach.
constexpr int kInnerSquares = 6;
constexpr int kInnerOccupancies = 1 << kInnerSquares;
constexpr SquareSet kInnerMask = kInnerOccupancies - 1;

using PerSquare = std::array<SquareSet, kSquareCount>;
using PerPlaceAndInner = std::array<std::array<SquareSet, kInnerOccupancies>, kBoardSize>;

struct Tables {
  PerSquare knight{};
  PerSquare king{};
  std::array<PerSquare, kSides> pawn{};  // by the pawn's side
  PerSquare diagonals{};                 // a bishop's reach on an empty board
  PerSquare lines{};                     // a rook's
  PerSquare risingDiagonal{};            // the a1-h8 way diagonal through the square, the square included
  PerSquare fallingDiagonal{};           // the a8-h1 way one
  // Along one line, by the slider's place on it (0-7) and the inner
  // occupancy (bit i for place i + 1): the places reached, as the places of
  // the a-file's squares (ranks) and as those of the first rank's (files).
  PerPlaceAndInner reachOnFile{};
  PerPlaceAndInner reachOnRank{};
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
      (IsDiagonal(direction) ? tables.diagonals : tables.lines)[square] |= walked;
      if (direction == kNorthEast || direction == kSouthWest) tables.risingDiagonal[square] |= walked;
      if (direction == kNorthWest || direction == kSouthEast) tables.fallingDiagonal[square] |= walked;
    }
    tables.risingDiagonal[square] |= SquareSetOf(square);
    tables.fallingDiagonal[square] |= SquareSetOf(square);
    for (Side side : {Side::kWhite, Side::kBlack})
      tables.pawn[IndexOf(side)][square] = PawnAttacksOfAll(side, SquareSetOf(square));
  }
  for (int place = 0; place < kBoardSize; ++place) {
    for (int inner = 0; inner < kInnerOccupancies; ++inner) {
      const int occupied = inner << 1;
      for (int step : {-1, 1}) {
        for (int reached = place + step; reached >= 0 && reached < kBoardSize; reached += step) {
          tables.reachOnFile[place][inner] |= SquareSetOf(SquareIndex(kFileA, reached));
          tables.reachOnRank[place][inner] |= SquareSetOf(SquareIndex(reached, kRank1));
          if ((occupied >> reached) & 1) break;
        }
      }
    }
  }
  return tables;
}

inline constexpr Tables kTables = MakeTables();

constexpr int TopInnerBits(SquareSet set) { return static_cast<int>(set >> (kSquareCount - kInnerSquares)); }

// Along the square's file: the file is one byte of the set.
constexpr SquareSet FileReach(int square, SquareSet occupied) {
  const int file = square / kBoardSize;
  const int inner = static_cast<int>((occupied >> (file * kBoardSize + 1)) & kInnerMask);
  return kTables.reachOnFile[square % kBoardSize][inner] << (file * kBoardSize);
}

// Along the square's rank: one square in every eighth bit. The product with
// this number carries file k's square (k = 1..6) to bit 57 + k, and every
// other pair of bits to a bit of its own, so the top six bits are the inner
// occupancy.
constexpr SquareSet kGatherRank = 0x0004081020408000;
constexpr SquareSet RankReach(int square, SquareSet occupied) {
  const int rank = square % kBoardSize;
  const SquareSet innerFiles = (occupied >> rank) & kFirstRank & ~FileSet(kFileA) & ~FileSet(kFileH);
  return kTables.reachOnRank[square / kBoardSize][TopInnerBits(innerFiles * kGatherRank)] << rank;
}

// Along a diagonal, whose squares all stand on ranks of their own: the
// product with one bit on every file, one rank up, stacks them by rank into
// the top byte, the inner ranks into the top six bits. The places reached,
// ranks of the a-file, are copied onto every file and kept on the diagonal.
constexpr SquareSet DiagonalReach(SquareSet diagonal, int square, SquareSet occupied) {
  const int inner = TopInnerBits((occupied & diagonal) * RankSet(kRank2));
  return diagonal & (kTables.reachOnFile[square % kBoardSize][inner] * kFirstRank);
}

}  // namespace attack_tables

constexpr SquareSet KnightAttacks(int square) { return attack_tables::kTables.knight[square]; }
constexpr SquareSet KingAttacks(int square) { return attack_tables::kTables.king[square]; }

// The two squares a pawn of `side` on `square` captures on.
constexpr SquareSet PawnAttacks(Side side, int square) { return attack_tables::kTables.pawn[IndexOf(side)][square]; }

// The squares strictly between two squares on one file, rank or diagonal;
// empty for squares on no common line.
constexpr SquareSet Between(int from, int to) { return attack_tables::kTables.between[from][to]; }

// The squares a bishop or a rook reaches from the square on an empty board.
constexpr SquareSet Diagonals(int square) { return attack_tables::kTables.diagonals[square]; }
constexpr SquareSet Lines(int square) { return attack_tables::kTables.lines[square]; }

// The squares a bishop or a rook on `square` reaches among the pieces of
// `occupied`, the first piece on each line included.
constexpr SquareSet BishopAttacks(int square, SquareSet occupied) {
  using namespace attack_tables;
  return DiagonalReach(kTables.risingDiagonal[square], square, occupied) |
         DiagonalReach(kTables.fallingDiagonal[square], square, occupied);
}
constexpr SquareSet RookAttacks(int square, SquareSet occupied) {
  using namespace attack_tables;
  return FileReach(square, occupied) | RankReach(square, occupied);
}

// The squares a knight, bishop, rook, queen or king on `square` reaches
// among `occupied`; none for a pawn, whose reach depends on its side.
constexpr SquareSet PieceAttacks(PieceKind kind, int square, SquareSet occupied) {
  switch (kind) {
    case kKnight: return KnightAttacks(square);
    case kBishop: return BishopAttacks(square, occupied);
    case kRook: return RookAttacks(square, occupied);
    case kQueen: return BishopAttacks(square, occupied) | RookAttacks(square, occupied);
    case kKing: return KingAttacks(square);
    default: return kNoSquares;
  }
}
