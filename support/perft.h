// Counting the leaves of the tree of legal moves, the standard check of a
// move generator against published figures.
#pragma once

#include <cstdint>

#include "support/positions.h"

// The number of leaves of the tree of legal moves `depth` plies deep, built
// with the legality test and the move player.
std::int64_t Perft(const Position& position, int depth);

// The same count with the search's own move generator.
std::int64_t SearchGeneratorPerft(const Position& position, int depth);
