// The game of a search against itself from the initial position, as the
// golden records hold it.
#pragma once

#include "model/apply_move.h"
#include "rules/game_end.h"
#include "support/positions.h"

// The plies of the game the golden record at depths 1 and 2 holds.
constexpr int kSelfPlayPlies = 40;

// Plays at most `plies` plies from the initial position, or until the game
// is over: `choose(position)` gives the move played in each position.
template <typename Choose>
void PlayAgainstItself(int plies, Choose choose) {
  Position position;
  SetUpBoard(&position.board, &position.lastMove);
  for (int ply = 0; ply < plies && CheckGameEnd(&position.board, position.lastMove) == kGameGoesOn; ++ply) {
    Move move = choose(static_cast<const Position&>(position));
    ApplyMove(&position.board, &move, &position.board);
    position.lastMove = move;
  }
}
