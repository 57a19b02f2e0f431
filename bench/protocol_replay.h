// The protocol mode's game, played word by word the way frontend/protocol.cpp
// plays it: the game generator writes its words through it and the benchmark
// replays a file of them, both seeing every position where the engine moves.
#pragma once

#include <functional>
#include <string>

#include "model/board.h"

struct ReplayedGame {
  Board board;
  Move lastMove;
  char turn;
  char engineSide;
  char opponentSide;
};

// Called with the position each time the engine is about to move.
using EngineMoveSeen = std::function<void(const ReplayedGame&)>;

// The game as the protocol mode starts it: the initial position, White to
// move, the engine playing Black.
void StartReplayedGame(ReplayedGame* game);

// Acts on one input word as the protocol mode does (commands, the
// opponent's coordinate moves, the rest ignored), then lets the engine move
// while it is its turn and the game goes on. False for "quit".
bool ReplayWord(const std::string& word, ReplayedGame* game, const EngineMoveSeen& seen);
