// The threat term of the evaluation, written once for any implementation of
// the attack tests it is made of: `Tests` provides, as static functions,
//   KingInCheck(board, lastMove, whiteKing),
//   ByPawn(file, rank, board), ByBishop / ByKnight / ByRook(file, rank, board, lastMove).
#pragma once

#include <cstdlib>

#include "engine/evaluation_tables.h"
#include "model/board.h"

// Every queen, rook, bishop and knight attacked by a lesser enemy piece, and
// every king in check, costs its owner; the sum, from White's point of view,
// weighs more the more one-sided the threats are.
template <typename Tests>
int ThreatScoreWith(const Board* board, Move lastMove) {
  int sum = 0;
  int count = 0;
  auto threat = [&sum, &count](bool white, int penalty) {
    sum += white ? -penalty : penalty;
    count += white ? -1 : 1;
  };
  for (int file = kFileA; file <= kFileH; ++file) {
    for (int rank = kRank1; rank <= kRank8; ++rank) {
      const char letter = PieceAt(board, file, rank);
      const bool white = IsWhitePiece(letter);
      switch (letter) {
        case 'K':
        case 'k':
          if (Tests::KingInCheck(board, lastMove, white)) threat(white, kCheckPenalty);
          break;
        case 'Q':
        case 'q':
          if (Tests::ByPawn(file, rank, board)) threat(white, kQueenByPawn);
          if (Tests::ByBishop(file, rank, board, lastMove)) threat(white, kQueenByBishop);
          if (Tests::ByKnight(file, rank, board, lastMove)) threat(white, kQueenByKnight);
          if (Tests::ByRook(file, rank, board, lastMove)) threat(white, kQueenByRook);
          break;
        case 'R':
        case 'r':
          if (Tests::ByPawn(file, rank, board)) threat(white, kRookByPawn);
          if (Tests::ByBishop(file, rank, board, lastMove)) threat(white, kRookByBishop);
          if (Tests::ByKnight(file, rank, board, lastMove)) threat(white, kRookByKnight);
          break;
        case 'B':
        case 'b':
        case 'N':
        case 'n':
          if (Tests::ByPawn(file, rank, board)) threat(white, kMinorByPawn);
          break;
        default: break;
      }
    }
  }
  return sum * ThreatMultiplier(std::abs(count));
}
