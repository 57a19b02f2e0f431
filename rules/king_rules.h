// The kings' moves: one step in any direction, and castling while the right
// is held, the squares between king and rook are empty, and the king neither
// stands in check nor passes over or lands on an attacked square.
#pragma once

#include "model/board.h"

int WhiteKingRule(Move move, const Board* board);
int BlackKingRule(Move move, const Board* board);

// A step of at most one square in each direction (the square itself included).
int IsKingStep(Move move);
