#include "rules/piece_rules.h"

#include <cstdlib>

namespace {

// What tells a pawn of one colour from the other: the way it goes, what it
// captures, and the ranks of its double step and en passant capture.
struct PawnGeometry {
  int forward;
  bool (*isEnemy)(char);
  char enemyPawn;
  int startRank;
  int doubleStepRank;
  int enPassantTargetRank;
  int enemyStartRank;
  int enemyDoubleStepRank;
};

constexpr PawnGeometry kWhitePawn{+1, IsBlackPiece, 'p', kRank2, kRank4, kRank6, kRank7, kRank5};
constexpr PawnGeometry kBlackPawn{-1, IsWhitePiece, 'P', kRank7, kRank5, kRank3, kRank2, kRank4};

int PawnRule(const PawnGeometry& pawn, Move move, const Board* board, Move lastMove) {
  const int fromFile = GetFromFile(move);
  const int fromRank = GetFromRank(move);
  const int toFile = GetToFile(move);
  const int toRank = GetToRank(move);
  const char target = PieceAt(board, toFile, toRank);

  if (toFile == fromFile && toRank == fromRank + pawn.forward && target == kEmptySquare) return 1;

  if ((toFile == fromFile + 1 || toFile == fromFile - 1) && toRank == fromRank + pawn.forward) {
    if (pawn.isEnemy(target)) return 1;
    // En passant: only right after the enemy pawn's double step past us.
    const bool enPassant = PieceAt(board, GetToFile(lastMove), GetToRank(lastMove)) == pawn.enemyPawn &&
                           GetToRank(lastMove) == pawn.enemyDoubleStepRank &&
                           GetFromRank(lastMove) == pawn.enemyStartRank && toRank == pawn.enPassantTargetRank &&
                           GetToFile(lastMove) == toFile;
    if (enPassant) return 1;
  }

  if (fromRank == pawn.startRank && toRank == pawn.doubleStepRank && toFile == fromFile && target == kEmptySquare &&
      PieceAt(board, fromFile, fromRank + pawn.forward) == kEmptySquare) {
    return 1;
  }
  return 0;
}

}  // namespace

int WhitePawnRule(Move move, const Board* board, Move lastMove) { return PawnRule(kWhitePawn, move, board, lastMove); }

int BlackPawnRule(Move move, const Board* board, Move lastMove) { return PawnRule(kBlackPawn, move, board, lastMove); }

int KnightRule(Move move) {
  const int df = std::abs(GetToFile(move) - GetFromFile(move));
  const int dr = std::abs(GetToRank(move) - GetFromRank(move));
  return ((df == 2 && dr == 1) || (df == 1 && dr == 2)) ? 1 : 0;
}

int BishopRule(Move move, const Board* board) {
  const int df = GetFromFile(move) - GetToFile(move);
  const int dr = GetFromRank(move) - GetToRank(move);
  if (df == dr || df == -dr) return IsDiagonalPathClear(move, board);
  return 0;
}

int RookRule(Move move, const Board* board) {
  if (GetToFile(move) == GetFromFile(move) && IsFilePathClear(move, board)) return 1;
  if (GetToRank(move) == GetFromRank(move) && IsRankPathClear(move, board)) return 1;
  return 0;
}

int QueenRule(Move move, const Board* board) {
  if (RookRule(move, board)) return 1;
  return BishopRule(move, board);
}

int IsFilePathClear(Move move, const Board* board) {
  const int file = GetFromFile(move);
  const int from = GetFromRank(move);
  const int to = GetToRank(move);
  const int low = from < to ? from : to;
  const int high = from < to ? to : from;
  for (int rank = low + 1; rank < high; ++rank) {
    if (PieceAt(board, file, rank) != kEmptySquare) return 0;
  }
  return 1;
}

int IsRankPathClear(Move move, const Board* board) {
  const int rank = GetFromRank(move);
  const int from = GetFromFile(move);
  const int to = GetToFile(move);
  const int low = from < to ? from : to;
  const int high = from < to ? to : from;
  for (int file = low + 1; file < high; ++file) {
    if (PieceAt(board, file, rank) != kEmptySquare) return 0;
  }
  return 1;
}

int IsDiagonalPathClear(Move move, const Board* board) {
  const int fromFile = GetFromFile(move);
  const int fromRank = GetFromRank(move);
  const int fileStep = GetToFile(move) > fromFile ? 1 : -1;
  const int rankStep = GetToRank(move) > fromRank ? 1 : -1;
  const int distance = std::abs(GetToFile(move) - fromFile);
  for (int k = 1; k < distance; ++k) {
    if (PieceAt(board, fromFile + k * fileStep, fromRank + k * rankStep) != kEmptySquare) return 0;
  }
  return 1;
}
