// The evaluation written plainly, square scan by square scan through the
// movement rules: the baseline the program's evaluation is measured against.
#include "reference/reference_evaluation.h"

#include <cstdlib>
#include <initializer_list>

#include "engine/evaluation_tables.h"
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

int IsThreatenedByPawn(int file, int rank, const Board* board) {
  return IsAttackedByPawn(file, rank, board, EnemyOf(file, rank, board, 'P', 'p'));
}

int IsKingInCheck(const Board* board, Move lastMove, bool white) {
  return white ? IsWhiteInCheck(board, lastMove) : IsBlackInCheck(board, lastMove);
}

// Every queen, rook, bishop and knight attacked by a lesser enemy piece, and
// every king in check, costs its owner; the sum, from White's point of view,
// weighs more the more one-sided the threats are.
int ThreatScore(const Board* board, Move lastMove) {
  int sum = 0;
  int count = 0;
  auto threat = [&sum, &count](bool whiteOwner, int penalty) {
    sum += whiteOwner ? -penalty : penalty;
    count += whiteOwner ? -1 : 1;
  };
  for (int file = kFileA; file <= kFileH; ++file) {
    for (int rank = kRank1; rank <= kRank8; ++rank) {
      const char letter = PieceAt(board, file, rank);
      const bool white = IsWhitePiece(letter);
      switch (letter) {
        case 'K':
        case 'k':
          if (IsKingInCheck(board, lastMove, white)) threat(white, kCheckPenalty);
          break;
        case 'Q':
        case 'q':
          if (IsThreatenedByPawn(file, rank, board)) threat(white, kQueenByPawn);
          if (IsThreatenedByBishop(file, rank, board, lastMove)) threat(white, kQueenByBishop);
          if (IsThreatenedByKnight(file, rank, board, lastMove)) threat(white, kQueenByKnight);
          if (IsThreatenedByRook(file, rank, board, lastMove)) threat(white, kQueenByRook);
          break;
        case 'R':
        case 'r':
          if (IsThreatenedByPawn(file, rank, board)) threat(white, kRookByPawn);
          if (IsThreatenedByBishop(file, rank, board, lastMove)) threat(white, kRookByBishop);
          if (IsThreatenedByKnight(file, rank, board, lastMove)) threat(white, kRookByKnight);
          break;
        case 'B':
        case 'b':
        case 'N':
        case 'n':
          if (IsThreatenedByPawn(file, rank, board)) threat(white, kMinorByPawn);
          break;
        default: break;
      }
    }
  }
  return sum * ThreatMultiplier(std::abs(count));
}

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
        total += MaterialValue(PieceAt(board, file, rank)) +
                 PlacementValue(PieceAt(board, file, rank), SquareIndex(file, rank));
      }
    }
  }
  total += reference::ThreatScore(board, lastMove);
  return side == kBlackSide ? -total : total;
}

}  // namespace reference
