// Sets of squares, one bit per square: bit i stands for the square with
// index i (file * 8 + rank). A file is eight neighbouring bits, so a step
// along the file, towards rank 8, is a shift by one bit and a step along the
// rank, towards the h-file, a shift by eight.
#pragma once

#include <bit>
#include <cassert>
#include <cstdint>

#include "engine/side.h"
#include "model/board.h"

using SquareSet = std::uint64_t;

constexpr SquareSet kNoSquares = 0;
constexpr SquareSet kAllSquares = ~SquareSet{0};

constexpr SquareSet SquareSetOf(int square) {
  assert(square >= 0 && square < kSquareCount);
  return SquareSet{1} << square;
}

constexpr bool Contains(SquareSet set, int square) { return (set & SquareSetOf(square)) != 0; }
// One square at a time: the sets counted are small, and a bit count
// instruction is not in the baseline instruction set.
constexpr int CountSquares(SquareSet set) {
  int count = 0;
  for (; set != kNoSquares; set &= set - 1) ++count;
  return count;
}
constexpr bool HasOneSquare(SquareSet set) { return set != kNoSquares && (set & (set - 1)) == kNoSquares; }

// The lowest square index in a set that is not empty.
constexpr int FirstSquare(SquareSet set) {
  assert(set != kNoSquares);
  return std::countr_zero(set);
}

// Takes the lowest square out of the set and returns it.
constexpr int TakeFirstSquare(SquareSet* set) {
  const int square = FirstSquare(*set);
  *set &= *set - 1;
  return square;
}

constexpr SquareSet kAFile = 0xFF;
constexpr SquareSet kFirstRank = 0x0101010101010101;
constexpr SquareSet FileSet(int file) { return kAFile << (file * kBoardSize); }
constexpr SquareSet RankSet(int rank) { return kFirstRank << rank; }

// Every square of the set one step away; squares stepping off the board drop
// out (the rank shifts must not carry a square onto the next file).
constexpr SquareSet StepTowardsRank8(SquareSet set) { return (set & ~RankSet(kRank8)) << 1; }
constexpr SquareSet StepTowardsRank1(SquareSet set) { return (set & ~RankSet(kRank1)) >> 1; }
constexpr SquareSet StepTowardsFileH(SquareSet set) { return set << kBoardSize; }
constexpr SquareSet StepTowardsFileA(SquareSet set) { return set >> kBoardSize; }

// One step the way the side's pawns go.
constexpr SquareSet StepForward(Side side, SquareSet set) {
  return side == Side::kWhite ? StepTowardsRank8(set) : StepTowardsRank1(set);
}
