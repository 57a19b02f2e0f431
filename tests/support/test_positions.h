// Positions for tests, failing the current test when one cannot be made;
// the well-known ones with their perft counts.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "model/apply_move.h"
#include "rules/legality.h"
#include "support/positions.h"
#include "tests/support/known_positions.h"

inline Position FromFen(const std::string& fen) {
  Position position;
  EXPECT_TRUE(PositionFromFen(fen, &position)) << fen;
  return position;
}

// Plays the move given as text on `position`; it must be legal.
inline void PlayText(const char* text, Position* position) {
  Move move = ParseCoordinateMove(text, position->lastMove);
  EXPECT_TRUE(IsLegalMove(move, &position->board, position->lastMove)) << text;
  ApplyMove(&position->board, &move, &position->board);
  position->lastMove = move;
}

// Plays moves given as text from the initial position; each must be legal.
inline Position Play(std::initializer_list<const char*> moves) {
  Position position;
  SetUpBoard(&position.board, &position.lastMove);
  for (const char* text : moves) PlayText(text, &position);
  return position;
}
