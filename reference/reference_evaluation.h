// The plain evaluation: every threat found by scanning the whole board and
// asking the movement rules, as a baseline for the benchmark.
#pragma once

#include "model/board.h"

namespace reference {

int EvaluatePosition(const Board* board, char side, Move lastMove);

}  // namespace reference
