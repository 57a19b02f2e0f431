// The threat term of the evaluation, written once for any implementation of
// the attack tests it is made of: `Tests` provides, as static functions,
//   KingInCheck(board, lastMove, side),
//   ByPawn(file, rank, board), ByBishop / ByKnight / ByRook(file, rank, board, lastMove).
#pragma once

#include <cstdlib>

#include "engine/evaluation_tables.h"
#include "engine/side.h"
#include "model/board.h"

// Every queen, rook, bishop and knight attacked by a lesser enemy piece, and
// every king in check, costs its owner; the sum, from White's point of view,
// weighs more the more one-sided the threats are.
template <typename Tests>
int ThreatScoreWith(const Board* board, Move lastMove) {
  int sum = 0;
  int count = 0;
  auto threat = [&sum, &count](Side owner, int penalty) {
    sum += owner == Side::kWhite ? -penalty : penalty;
    count += owner == Side::kWhite ? -1 : 1;
  };
  for (int file = kFileA; file <= kFileH; ++file) {
    for (int rank = kRank1; rank <= kRank8; ++rank) {
      const char letter = PieceAt(board, file, rank);
      const Side owner = IsWhitePiece(letter) ? Side::kWhite : Side::kBlack;
      switch (letter) {
        case 'K':
        case 'k':
          if (Tests::KingInCheck(board, lastMove, owner)) threat(owner, kCheckPenalty);
          break;
        case 'Q':
        case 'q':
          if (Tests::ByPawn(file, rank, board)) threat(owner, kQueenByPawn);
          if (Tests::ByBishop(file, rank, board, lastMove)) threat(owner, kQueenByBishop);
          if (Tests::ByKnight(file, rank, board, lastMove)) threat(owner, kQueenByKnight);
          if (Tests::ByRook(file, rank, board, lastMove)) threat(owner, kQueenByRook);
          break;
        case 'R':
        case 'r':
          if (Tests::ByPawn(file, rank, board)) threat(owner, kRookByPawn);
          if (Tests::ByBishop(file, rank, board, lastMove)) threat(owner, kRookByBishop);
          if (Tests::ByKnight(file, rank, board, lastMove)) threat(owner, kRookByKnight);
          break;
        case 'B':
        case 'b':
        case 'N':
        case 'n':
          if (Tests::ByPawn(file, rank, board)) threat(owner, kMinorByPawn);
          break;
        default: break;
      }
    }
  }
  return sum * ThreatMultiplier(std::abs(count));
}
