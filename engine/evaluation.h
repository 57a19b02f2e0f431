// The static score of a position: game state, material, placement and threats.
#pragma once

#include "engine/move_generation.h"
#include "model/board.h"

// The score from `side`'s point of view ('B' for Black, anything else White):
// 0 for stalemate, +-99000 for checkmate, otherwise material and placement;
// threat penalties are added in every case but stalemate.
int EvaluatePosition(const Board* board, char side, Move lastMove);

// The same from the side to move's point of view, on the search's position;
// and its score in a position where it has no legal move: mated when a king
// stands in check, otherwise stalemate.
int Evaluate(const SearchBoard& position, const Analysis& analysis);
int NoLegalMoveScore(const SearchBoard& position, const Analysis& analysis);

// Evaluate, except that a mate `ply` plies below the root is worth
// MateByDistance, threats left out.
int EvaluateWithMateDistance(const SearchBoard& position, const Analysis& analysis, int ply);

// The placement-table entry of the piece on the square, signed for its
// colour; the threat term, multiplier applied, from White's point of view.
int PlacementValue(int file, int rank, const Board* board);
int ThreatScore(const Board* board, Move lastMove);
