#include "engine/evaluation.h"

#include <cstdlib>
#include <initializer_list>

#include "engine/evaluation_tables.h"
#include "engine/move_generation.h"
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
        case 'k':
          if (IsSquareAttacked(board, SquareIndex(file, rank), !white)) threat(white, kCheckPenalty);
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
