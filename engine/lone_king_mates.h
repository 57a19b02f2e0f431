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
  PieceKind piece;  // kQueen or kRook
  // By LoneKingIndex: the plies to the mate, 0 for a defender that is
  // mated, or kNoForcedMate.
  std::vector<std::uint8_t> plies;
};

enum class Mover { kDefender, kAttacker };

constexpr int kLoneKingPlacements = kSquareCount * kSquareCount * kSquareCount;

constexpr int LoneKingIndex(Mover mover, int attackerKing, int piece, int defenderKing) {
  return ((static_cast<int>(mover) * kSquareCount + attackerKing) * kSquareCount + piece) * kSquareCount + defenderKing;
}

// The whole table for the attacker's `piece`, kQueen or kRook.
LoneKingMates SolveLoneKingMates(PieceKind piece);
