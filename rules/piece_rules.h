// Movement rules of the pawn, knight, bishop, rook and queen, and the path
// tests the sliding pieces share. They judge geometry, the squares passed
// over and, for pawns, the target and the last move; colours and king safety
// are the legality test's business. Each returns 1 or 0.
#pragma once

#include "model/board.h"

int WhitePawnRule(Move move, const Board* board, Move lastMove);
int BlackPawnRule(Move move, const Board* board, Move lastMove);
int KnightRule(Move move);
int BishopRule(Move move, const Board* board);
int RookRule(Move move, const Board* board);
int QueenRule(Move move, const Board* board);

// Every square strictly between origin and target on the origin's file,
// rank, or diagonal holds '-'. The diagonal test expects equal distances.
int IsFilePathClear(Move move, const Board* board);
int IsRankPathClear(Move move, const Board* board);
int IsDiagonalPathClear(Move move, const Board* board);
