#include "engine/lone_king_mates.h"

#include <utility>

#include "engine/attack_tables.h"
#include "engine/square_set.h"

namespace {

SquareSet Occupied(const LoneKingPlacement& at) {
  return SquareSetOf(at.attackerKing) | SquareSetOf(at.piece) | SquareSetOf(at.defenderKing);
}

// Three squares apart, and kings that do not touch: with the attacker to
// move the defender must not stand in check either.
bool IsPlacement(const LoneKingPlacement& at) {
  return at.attackerKing != at.piece && at.piece != at.defenderKing && at.attackerKing != at.defenderKing &&
         !Contains(KingAttacks(at.attackerKing), at.defenderKing);
}

bool DefenderInCheck(PieceKind piece, const LoneKingPlacement& at) {
  return Contains(PieceAttacks(piece, at.piece, Occupied(at)), at.defenderKing);
}

// The defender's legal moves: to every square neither attacked nor
// guarded; taking the piece (where the attacker's king does not guard it)
// is one of them, and leads out of the table, to a draw.
int DefenderMoves(PieceKind piece, const LoneKingPlacement& at) {
  const SquareSet withoutKing = SquareSetOf(at.attackerKing) | SquareSetOf(at.piece);
  const SquareSet attacked = KingAttacks(at.attackerKing) | PieceAttacks(piece, at.piece, withoutKing);
  return CountSquares(KingAttacks(at.defenderKing) & ~attacked);
}

}  // namespace

// Backwards from the mates, a ply at a time: a placement with the attacker
// to move whose move can reach a defender's placement mated in n plies is
// mated in n + 1 (it had no shorter way, or it would be known already); a
// defender's placement is mated in n + 1 when the last of its moves has
// been found to reach an attacker's placement mated in n, the longest way.
LoneKingMates SolveLoneKingMates(PieceKind piece) {
  LoneKingMates mates{std::vector<std::uint8_t>(2 * kLoneKingPlacements, kNoForcedMate)};
  // By the index with the defender to move: its moves not yet known to be mated.
  std::vector<std::uint8_t> movesLeft(kLoneKingPlacements, 0);
  std::vector<int> found;
  for (int placement = 0; placement < kLoneKingPlacements; ++placement) {
    const LoneKingPlacement at = PlacementOf(placement);
    if (!IsPlacement(at)) continue;
    const int index = LoneKingIndex(Mover::kDefender, at);
    const int moves = DefenderMoves(piece, at);
    movesLeft[index] = static_cast<std::uint8_t>(moves);
    if (moves == 0 && DefenderInCheck(piece, at)) {
      mates.plies[index] = 0;
      found.push_back(index);
    }
  }
  std::vector<int> next;
  for (int plies = 1; !found.empty(); ++plies) {
    next.clear();
    for (const int index : found) {
      const LoneKingPlacement at = PlacementOf(index);
      const SquareSet occupied = Occupied(at);
      if (MoverOf(index) == Mover::kDefender) {
        // The attacker's move that led here: its king's, or its piece's.
        auto reached = [&](const LoneKingPlacement& before) {
          if (DefenderInCheck(piece, before)) return;
          const int earlier = LoneKingIndex(Mover::kAttacker, before);
          if (mates.plies[earlier] != kNoForcedMate) return;
          mates.plies[earlier] = static_cast<std::uint8_t>(plies);
          next.push_back(earlier);
        };
        for (SquareSet from = KingAttacks(at.attackerKing) & ~occupied & ~KingAttacks(at.defenderKing);
             from != kNoSquares;) {
          reached({TakeFirstSquare(&from), at.piece, at.defenderKing});
        }
        for (SquareSet from = PieceAttacks(piece, at.piece, occupied) & ~occupied; from != kNoSquares;) {
          reached({at.attackerKing, TakeFirstSquare(&from), at.defenderKing});
        }
      } else {
        // The defender's move that led here, from a square it may stand on.
        for (SquareSet from = KingAttacks(at.defenderKing) & ~occupied & ~KingAttacks(at.attackerKing);
             from != kNoSquares;) {
          const int earlier = LoneKingIndex(Mover::kDefender, {at.attackerKing, at.piece, TakeFirstSquare(&from)});
          if (mates.plies[earlier] != kNoForcedMate || --movesLeft[earlier] != 0) continue;
          mates.plies[earlier] = static_cast<std::uint8_t>(plies);
          next.push_back(earlier);
        }
      }
    }
    std::swap(found, next);
  }
  return mates;
}
