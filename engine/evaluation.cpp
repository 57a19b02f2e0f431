#include "engine/evaluation.h"

#include "engine/evaluation_tables.h"
#include "engine/move_generation.h"
#include "engine/threat_score.h"
#include "rules/check.h"
#include "rules/legality.h"

namespace {

// The enemy of the piece on the square: Black's letter for a White piece.
char EnemyOf(int file, int rank, const Board* board, char whiteLetter, char blackLetter) {
  return IsWhitePiece(PieceAt(board, file, rank)) ? blackLetter : whiteLetter;
}

}  // namespace

int IsThreatenedByPawn(int file, int rank, const Board* board) {
  return IsAttackedByPawn(file, rank, board, EnemyOf(file, rank, board, 'P', 'p'));
}

// A bishop, knight or rook threatens the square when its move there would
// pass only over empty squares: for the sliders, the first piece met along
// a ray from the square.
int IsThreatenedByBishop(int file, int rank, const Board* board, Move /*lastMove*/) {
  return IsReachedAlongDiagonals(board, SquareIndex(file, rank), EnemyOf(file, rank, board, 'B', 'b'));
}

int IsThreatenedByKnight(int file, int rank, const Board* board, Move /*lastMove*/) {
  return IsReachedByKnight(board, SquareIndex(file, rank), EnemyOf(file, rank, board, 'N', 'n'));
}

int IsThreatenedByRook(int file, int rank, const Board* board, Move /*lastMove*/) {
  return IsReachedAlongLines(board, SquareIndex(file, rank), EnemyOf(file, rank, board, 'R', 'r'));
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

namespace {

struct FastThreatTests {
  static int KingInCheck(const Board* board, Move, Side side) { return IsKingInCheck(board, side); }
  static int ByPawn(int file, int rank, const Board* board) { return IsThreatenedByPawn(file, rank, board); }
  static int ByBishop(int file, int rank, const Board* board, Move lastMove) {
    return IsThreatenedByBishop(file, rank, board, lastMove);
  }
  static int ByKnight(int file, int rank, const Board* board, Move lastMove) {
    return IsThreatenedByKnight(file, rank, board, lastMove);
  }
  static int ByRook(int file, int rank, const Board* board, Move lastMove) {
    return IsThreatenedByRook(file, rank, board, lastMove);
  }
};

}  // namespace

int ThreatScore(const Board* board, Move lastMove) { return ThreatScoreWith<FastThreatTests>(board, lastMove); }

int NoLegalMoveScore(const Board* board) {
  return IsKingInCheck(board, Side::kWhite) || IsKingInCheck(board, Side::kBlack) ? -kMateScore : kStalemateScore;
}

int Evaluate(const Board* board, Side side, Move lastMove) {
  const Side mover = SideOfLetter(SideToMove(board, lastMove));
  int total = 0;
  if (!HasLegalMove(board, lastMove, mover)) {
    const int score = NoLegalMoveScore(board);
    if (score == kStalemateScore) return kStalemateScore;  // whatever the material
    total = mover == Side::kWhite ? score : -score;
  }
  // A mate score replaces material and placement.
  if (total == 0) {
    for (int square = 0; square < kSquareCount; ++square) {
      total += MaterialValue(board->squares[square]) + PlacementValue(square / kBoardSize, square % kBoardSize, board);
    }
  }
  total += ThreatScore(board, lastMove);
  return side == Side::kBlack ? -total : total;
}

int EvaluatePosition(const Board* board, char side, Move lastMove) {
  return Evaluate(board, SideOfLetter(side), lastMove);
}
