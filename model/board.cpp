#include "model/board.h"

namespace {

// The initial position, rank 8 first, files a to h.
constexpr const char* kInitialRanks[kBoardSize] = {
    "rnbqkbnr", "pppppppp", "--------", "--------", "--------", "--------", "PPPPPPPP", "RNBQKBNR",
};

}  // namespace

void SetUpBoard(Board* board, Move* lastMove) {
  for (int row = 0; row < kBoardSize; ++row) {
    const int rank = kRank8 - row;
    for (int file = kFileA; file <= kFileH; ++file) {
      board->squares[SquareIndex(file, rank)] = kInitialRanks[row][file];
    }
  }
  // The origin of the first record has no meaning; give it a fixed value
  // (the Black king's home square) so that nothing reads an undefined field.
  lastMove->fromFile = kFileE;
  lastMove->fromRank = kRank8;
  lastMove->toFile = kFileE;
  lastMove->toRank = kRank8;
  lastMove->castleWhiteQueenSide = 1;
  lastMove->castleWhiteKingSide = 1;
  lastMove->castleBlackQueenSide = 1;
  lastMove->castleBlackKingSide = 1;
}

Move BuildMove(int fromFile, int fromRank, int toFile, int toRank, Move carrier) {
  Move move = carrier;
  move.fromFile = fromFile;
  move.fromRank = fromRank;
  move.toFile = toFile;
  move.toRank = toRank;
  return move;
}

int FindPiece(const Board* board, char letter) {
  for (int square = 0; square < kSquareCount; ++square) {
    if (board->squares[square] == letter) return square;
  }
  return kNoSquare;
}
