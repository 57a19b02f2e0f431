// A search that looks only for a forced mate by the side to move, deeper
// than the full search gets in the same time where few pieces are left.
//
// Where no score but a mate's can come near the mate score (see
// MateSearchApplies), the full search of any depth of at least p plies
// values the root at kMateScore - p exactly when the side to move forces a
// mate in p plies and in none fewer: every full-width node within p plies
// is searched with all its moves, so a forced mate there is seen, and no
// other line reaches that value. The move it plays is then the first root
// move in generation order that forces the mate in p. This search finds
// that move, for the least such p, without scoring anything else: a node
// only asks whether the mate can be forced from it in the plies left, so
// one escape refutes a defender's node and a move that gives no check can
// be passed over on the last ply. Whether the mate can be forced in r plies
// only grows with r, so what the table keeps of a position (the fewest
// plies a mate is known to take, the most plies it is known not to be
// forced in) decides a node of any plies left. The game's earlier positions
// count as the full search counts them: a root move, or the reply to it,
// back into one of them is a draw, and those nodes stay out of the table.
// King and queen, or king and rook, against a lone king, without castling
// rights, are not searched: their mates are read from the solved ending
// (engine/lone_king_mates.h), which gives the same move.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/game_positions.h"
#include "engine/move_generation.h"

// Whether the full search's values in `position` and below it are such that
// only a mate comes within kMaxPly of the mate score: no pawns (no piece is
// ever added), one king a side, the side that has just moved not in check,
// and material, placement and threats together bounded below that band.
bool MateSearchApplies(const SearchBoard& position);

struct MateSearchLimits {
  int mostPlies;  // the longest mate looked for
  std::chrono::steady_clock::time_point stopBy;
  const std::function<bool()>* interrupted;  // asked with the clock; may hold an empty function
  const std::vector<EarlierPosition>* earlier;
};

struct ForcedMate {
  int moveIndex;  // the root move in `moves`, or -1 when no mate was found
  int plies;      // the mate's length, the root move included
  std::int64_t nodes;
};

// The first move of `moves` (the root's legal moves in generation order,
// `repeats` telling those back into the game's earlier positions) that
// forces a mate in the fewest plies, looking at mates of up to
// limits.mostPlies plies, shortest first, until the clock or the input
// stops it.
ForcedMate FindShortestMate(const SearchBoard& root, const MoveList& moves, const bool* repeats,
                            const MateSearchLimits& limits);
