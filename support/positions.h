// Positions written in their standard text form (FEN), for tests and tools.
#pragma once

#include <cstdint>
#include <string>

#include "model/move_text.h"
#include "model/position.h"

// The FEN of a position (placement, side, castling, en passant square only
// when a pawn of the side to move can take there; clocks "0 1").
std::string FenFromPosition(const Position& position);
