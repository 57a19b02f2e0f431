// The plain search: a tree of heap nodes, every candidate tried through the
// legality test, one pruning bound. The program's search must choose the same
// moves with the same scores.
#pragma once

#include <vector>

#include "engine/search.h"
#include "model/board.h"
#include "model/position.h"

namespace reference {

// One search of `depth` by `rules`; `earlier` (may be null) holds the game's
// positions before the root.
Move SearchMove(const Board* board, Move lastMove, int depth, char side, SearchRules rules,
                const std::vector<Position>* earlier, SearchReport* report);

// The same by the rules of the level, with no earlier positions.
Move ChooseComputerMoveReported(const Board* board, Move lastMove, int depth, char side, SearchReport* report);

}  // namespace reference
