// The evaluation written plainly, square scan by square scan through the
// movement rules: the baseline the program's evaluation is measured against.
#include "bench/plain_evaluation.h"

#include <cstdlib>
#include <initializer_list>

#include "engine/evaluation_tables.h"
#include "rules/check.h"
#include "rules/game_end.h"
#include "rules/piece_rules.h"

namespace plain {

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

int IsThreatenedByPawn(int file, int rank, const Board* board) {
  const bool white = IsWhitePiece(PieceAt(board, file, rank));
  const char pawn = white ? 'p' : 'P';
  const int pawnRank = white ? rank + 1 : rank - 1;
  if (pawnRank < kRank1 || pawnRank > kRank8) return 0;
  for (int pawnFile : {file + 1, file - 1}) {
    if (pawnFile >= kFileA && pawnFile <= kFileH && PieceAt(board, pawnFile, pawnRank) == pawn) return 1;
  }
  return 0;
}

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

int PlacementValue(int file, int rank, const Board* board) {
  const char letter = PieceAt(board, file, rank);
  const PlacementTable* table = nullptr;
  switch (letter) {
    case 'P':
    case 'p': table = &kPawnTable; break;
    case 'N':
    case 'n': table = &kKnightTable; break;
    case 'B':
    case 'b': table = &kBishopTable; break;
    case 'K':
    case 'k': table = &kKingTable; break;
    default: return 0;
  }
  if (IsWhitePiece(letter)) return (*table)[kRank8 - rank][file];
  return -(*table)[rank][file];
}

int ThreatScore(const Board* board, Move lastMove) {
  int sum = 0;
  int count = 0;
  // A threat against a White piece costs White; one against Black gains.
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
          if (IsWhiteInCheck(board, lastMove)) threat(true, kCheckPenalty);
          break;
        case 'k':
          if (IsBlackInCheck(board, lastMove)) threat(false, kCheckPenalty);
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
        total += MaterialValue(PieceAt(board, file, rank)) + PlacementValue(file, rank, board);
      }
    }
  }
  total += ThreatScore(board, lastMove);
  return side == kBlackSide ? -total : total;
}

}  // namespace plain
