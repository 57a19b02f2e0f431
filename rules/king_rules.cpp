#include "rules/king_rules.h"

#include "rules/check.h"
#include "rules/piece_rules.h"

namespace {

// One colour's castling: its home rank, rights, attack and check tests.
struct CastlingSide {
  int homeRank;
  std::int32_t (*queenSideRight)(Move);
  std::int32_t (*kingSideRight)(Move);
  int (*isAttackedByEnemy)(int, int, const Board*, Move);
  int (*isOwnKingInCheck)(const Board*, Move);
};

constexpr CastlingSide kWhiteCastling{kRank1, GetCastleWhiteQueenSide, GetCastleWhiteKingSide, IsSquareAttackedByBlack,
                                      IsWhiteInCheck};
constexpr CastlingSide kBlackCastling{kRank8, GetCastleBlackQueenSide, GetCastleBlackKingSide, IsSquareAttackedByWhite,
                                      IsBlackInCheck};

// Castling towards `rookFile`: the king goes from e to `kingTargetFile`,
// passing over `passedFile`. Every square between king and rook must be
// empty (the king's target among them), and the king may not castle out of,
// through or into check.
int MayCastle(const CastlingSide& side, Move move, const Board* board, int kingTargetFile, int passedFile,
              int rookFile) {
  const Move kingToRook = BuildMove(kFileE, side.homeRank, rookFile, side.homeRank, move);
  return IsRankPathClear(kingToRook, board) && !side.isAttackedByEnemy(passedFile, side.homeRank, board, move) &&
         !side.isAttackedByEnemy(kingTargetFile, side.homeRank, board, move) && !side.isOwnKingInCheck(board, move);
}

int KingRule(const CastlingSide& side, Move move, const Board* board) {
  if (IsKingStep(move)) return 1;
  if (GetToFile(move) == kFileC && GetToRank(move) == side.homeRank && side.queenSideRight(move) &&
      MayCastle(side, move, board, kFileC, kFileD, kFileA)) {
    return 1;
  }
  if (GetToFile(move) == kFileG && GetToRank(move) == side.homeRank && side.kingSideRight(move) &&
      MayCastle(side, move, board, kFileG, kFileF, kFileH)) {
    return 1;
  }
  return 0;
}

}  // namespace

int IsKingStep(Move move) {
  const int df = GetToFile(move) - GetFromFile(move);
  const int dr = GetToRank(move) - GetFromRank(move);
  return (df >= -1 && df <= 1 && dr >= -1 && dr <= 1) ? 1 : 0;
}

int WhiteKingRule(Move move, const Board* board) { return KingRule(kWhiteCastling, move, board); }

int BlackKingRule(Move move, const Board* board) { return KingRule(kBlackCastling, move, board); }
