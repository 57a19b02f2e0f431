// Every mate of a lone king by king and queen, or by king and rook, solved
// backwards from the mates: for each placement of the three pieces, with
// either side to move, the plies to the mate when the attacker mates as
// fast as it can and the defender holds out as long as it can. It takes a
// few hundredths of a second, where a search of the longest of these mates
// (31 plies with the rook) would not end in a game's time.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/side.h"

// The plies of a placement where the attacker cannot force the mate, or
// where the placement is not one a game reaches with that side to move.
constexpr std::uint8_t kNoForcedMate = 0xFF;

struct LoneKingMates {
  // By LoneKingIndex: the plies to the mate, 0 for a defender that is
  // mated, or kNoForcedMate.
  std::vector<std::uint8_t> plies;
};

enum class Mover { kDefender, kAttacker };

// The squares of the three pieces.
struct LoneKingPlacement {
  int attackerKing;
  int piece;
  int defenderKing;
};

// Placements for one side to move: indexes with the defender to move come
// first, then as many with the attacker to move.
constexpr int kLoneKingPlacements = kSquareCount * kSquareCount * kSquareCount;

constexpr int LoneKingIndex(Mover mover, const LoneKingPlacement& at) {
  return ((static_cast<int>(mover) * kSquareCount + at.attackerKing) * kSquareCount + at.piece) * kSquareCount +
         at.defenderKing;
}

constexpr LoneKingPlacement PlacementOf(int index) {
  const int placement = index % kLoneKingPlacements;
  return {placement / (kSquareCount * kSquareCount), placement / kSquareCount % kSquareCount, placement % kSquareCount};
}

constexpr Mover MoverOf(int index) { return static_cast<Mover>(index / kLoneKingPlacements); }

// The whole table for the attacker's `piece`, kQueen or kRook.
LoneKingMates SolveLoneKingMates(PieceKind piece);
