// The plain search: a tree of heap nodes, every candidate tried through the
// legality test, one pruning bound. The program's search must choose the same
// moves with the same scores.
#pragma once

#include "engine/search.h"
#include "model/board.h"

namespace reference {

Move ChooseComputerMoveReported(const Board* board, Move lastMove, int depth, char side, SearchReport* report);

}  // namespace reference
