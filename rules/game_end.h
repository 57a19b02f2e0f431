// Whether the game goes on, or has ended in stalemate or checkmate.
#pragma once

#include "model/board.h"

constexpr int kGameGoesOn = 0;
constexpr int kStalemate = 1;
constexpr int kCheckmate = 2;

// kGameGoesOn while the side to move has a legal move; otherwise kCheckmate
// when a king is attacked and kStalemate when none is.
int CheckGameEnd(const Board* board, Move lastMove);
