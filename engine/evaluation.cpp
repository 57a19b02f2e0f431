#include "engine/evaluation.h"

#include <cstdlib>
#include <initializer_list>

#include "engine/evaluation_tables.h"
#include "engine/move_generation.h"
#include "engine/threat_score.h"
#include "rules/legality.h"

namespace {

// The enemy of the piece on the square: Black's letter for a White piece.
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

// A bishop, knight or rook threatens the square when its move there would
// pass only over empty squares: for the sliders, the first piece met along
// a ray from the square.
int IsThreatenedByBishop(int file, int rank, const Board* board, Move /*lastMove*/) {
  return IsReachedAlongRays(board, SquareIndex(file, rank), true, EnemyOf(file, rank, board, 'B', 'b'));
}

int IsThreatenedByKnight(int file, int rank, const Board* board, Move /*lastMove*/) {
  return IsReachedByKnight(board, SquareIndex(file, rank), EnemyOf(file, rank, board, 'N', 'n'));
}

int IsThreatenedByRook(int file, int rank, const Board* board, Move /*lastMove*/) {
  return IsReachedAlongRays(board, SquareIndex(file, rank), false, EnemyOf(file, rank, board, 'R', 'r'));
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
  static int KingInCheck(const Board* board, Move, bool whiteKing) { return IsKingAttacked(board, whiteKing); }
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

int EvaluatePosition(const Board* board, char side, Move lastMove) {
  int total = 0;
  if (!HasLegalMove(board, lastMove, SideToMove(board, lastMove))) {
    const bool whiteInCheck = IsKingAttacked(board, true);
    const bool blackInCheck = IsKingAttacked(board, false);
    if (!whiteInCheck && !blackInCheck) return 0;  // stalemate, whatever the material
    if (blackInCheck) total += kMateScore;
    if (whiteInCheck) total -= kMateScore;
  }
  // A mate score replaces material and placement.
  if (total == 0) {
    for (int square = 0; square < kSquareCount; ++square) {
      total += MaterialValue(board->squares[square]) + PlacementValue(square / kBoardSize, square % kBoardSize, board);
    }
  }
  total += ThreatScore(board, lastMove);
  return side == kBlackSide ? -total : total;
}
