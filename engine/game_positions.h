// Positions as the search tells them apart: a 64-bit key of the pieces, the
// side to move, the castling rights and the en passant square; and the
// game's earlier positions, which the repetition rule compares with.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/move_generation.h"
#include "model/board.h"
#include "model/position.h"

std::uint64_t PositionKey(const SearchBoard& position);

// A position of the game before the root, as the repetition rule compares
// it: the table's key (pieces, side to move, castling rights, en passant
// square) and the board, which guards against two positions sharing a key.
struct EarlierPosition {
  std::uint64_t key;
  Board board;
};

// The game's positions as the repetition rule compares them; none for null.
std::vector<EarlierPosition> EarlierPositions(const std::vector<Position>* earlier);

// Whether the position is one of `earlier`.
bool IsRepetition(const SearchBoard& position, const std::vector<EarlierPosition>& earlier);
