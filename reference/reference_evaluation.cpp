// The evaluation written plainly, square scan by square scan through the
// movement rules: the baseline the program's evaluation is measured against.
#include "reference/reference_evaluation.h"

#include <cstdlib>
#include <initializer_list>

#include "engine/evaluation.h"
#include "engine/evaluation_tables.h"
#include "engine/threat_score.h"
#include "rules/check.h"
#include "rules/game_end.h"
#include "rules/piece_rules.h"

namespace reference {

namespace {

// Whether a piece with the letter `attacker` reaches (file, rank) by `rule`.
// The trial runs from the threatened square to the attacker: the rules are
// symmetric, so the direction does not matter.
template <typename Rule>
int IsReachedBy(char attacker, int file, int rank, const Board* board, Move lastMove, Rule rule) {
  for (int square = 0; square < kSquareCount; ++square) {
    if (board->squares[square] != attacker) continue;
    const Move trial = BuildMove(file, rank, square / kBoardSize, square % kBoardSize, lastMove);
    if (rule(trial, board)) return 1;
  }
  return 0;
}

char EnemyOf(int file, int rank, const Board* board, char whiteLetter, char blackLetter) {
  return IsWhitePiece(PieceAt(board, file, rank)) ? blackLetter : whiteLetter;
}

}  // namespace

int IsThreatenedByBishop(int file, int rank, const Board* board, Move lastMove) {
  return IsReachedBy(EnemyOf(file, rank, board, 'B', 'b'), file, rank, board, lastMove, BishopRule);
}

int IsThreatenedByKnight(int file, int rank, const Board* board, Move lastMove) {
  return IsReachedBy(EnemyOf(file, rank, board, 'N', 'n'), file, rank, board, lastMove,
                     [](Move trial, const Board*) { return KnightRule(trial); });
}

int IsThreatenedByRook(int file, int rank, const Board* board, Move lastMove) {
  return IsReachedBy(EnemyOf(file, rank, board, 'R', 'r'), file, rank, board, lastMove, RookRule);
}

struct PlainThreatTests {
  static int KingInCheck(const Board* board, Move lastMove, Side side) {
    return side == Side::kWhite ? IsWhiteInCheck(board, lastMove) : IsBlackInCheck(board, lastMove);
  }
  static int ByPawn(int file, int rank, const Board* board) { return ::IsThreatenedByPawn(file, rank, board); }
  static int ByBishop(int file, int rank, const Board* board, Move lastMove) {
    return reference::IsThreatenedByBishop(file, rank, board, lastMove);
  }
  static int ByKnight(int file, int rank, const Board* board, Move lastMove) {
    return reference::IsThreatenedByKnight(file, rank, board, lastMove);
  }
  static int ByRook(int file, int rank, const Board* board, Move lastMove) {
    return reference::IsThreatenedByRook(file, rank, board, lastMove);
  }
};

int ThreatScore(const Board* board, Move lastMove) { return ThreatScoreWith<PlainThreatTests>(board, lastMove); }

int EvaluatePosition(const Board* board, char side, Move lastMove) {
  const int gameEnd = CheckGameEnd(board, lastMove);
  if (gameEnd == kStalemate) return 0;
  int total = 0;
  if (gameEnd == kCheckmate) {
    if (IsBlackInCheck(board, lastMove)) total += kMateScore;
    if (IsWhiteInCheck(board, lastMove)) total -= kMateScore;
  }
  // A mate score replaces material and placement.
  if (total == 0) {
    for (int file = kFileA; file <= kFileH; ++file) {
      for (int rank = kRank1; rank <= kRank8; ++rank) {
        total += MaterialValue(PieceAt(board, file, rank)) + ::PlacementValue(file, rank, board);
      }
    }
  }
  total += reference::ThreatScore(board, lastMove);
  return side == kBlackSide ? -total : total;
}

}  // namespace reference
