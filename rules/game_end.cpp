#include "rules/game_end.h"

#include <cstdio>

#include "rules/check.h"
#include "rules/legality.h"

int CheckGameEnd(const Board* board, Move lastMove) {
  for (int fromFile = kFileA; fromFile <= kFileH; ++fromFile) {
    for (int fromRank = kRank1; fromRank <= kRank8; ++fromRank) {
      const char letter = PieceAt(board, fromFile, fromRank);
      if (!IsWhitePiece(letter) && !IsBlackPiece(letter) && letter != kEmptySquare) {
        std::printf("\nError, invalid board on mate check. %c", letter);
      }
      if (letter == kEmptySquare) continue;
      for (int toFile = kFileA; toFile <= kFileH; ++toFile) {
        for (int toRank = kRank1; toRank <= kRank8; ++toRank) {
          const Move candidate = BuildMove(fromFile, fromRank, toFile, toRank, lastMove);
          if (IsLegalMove(candidate, board, lastMove)) return kGameGoesOn;
        }
      }
    }
  }
  if (IsWhiteInCheck(board, lastMove) || IsBlackInCheck(board, lastMove)) return kCheckmate;
  return kStalemate;
}
