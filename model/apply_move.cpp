#include "model/apply_move.h"

namespace {

// A move from or to a corner loses that corner's castling right: the rook has
// left it or has been captured on it.
void ClearCornerRights(Move* move) {
  auto touches = [move](int file, int rank) {
    return (move->fromFile == file && move->fromRank == rank) || (move->toFile == file && move->toRank == rank);
  };
  if (touches(kFileA, kRank1)) move->castleWhiteQueenSide = 0;
  if (touches(kFileH, kRank1)) move->castleWhiteKingSide = 0;
  if (touches(kFileA, kRank8)) move->castleBlackQueenSide = 0;
  if (touches(kFileH, kRank8)) move->castleBlackKingSide = 0;
}

// A king that goes from its home square to the c or g file castles: the rook
// of that wing jumps over it.
void MoveCastlingRook(Board* board, int toFile, int rank, char rook) {
  if (toFile == kFileC) {
    board->squares[SquareIndex(kFileD, rank)] = rook;
    board->squares[SquareIndex(kFileA, rank)] = kEmptySquare;
  } else if (toFile == kFileG) {
    board->squares[SquareIndex(kFileF, rank)] = rook;
    board->squares[SquareIndex(kFileH, rank)] = kEmptySquare;
  }
}

constexpr bool IsUnderpromotionLetter(char letter) {
  return letter == 'r' || letter == 'b' || letter == 'n' || letter == 'R' || letter == 'B' || letter == 'N';
}

constexpr char UpperCase(char letter) { return IsBlackPiece(letter) ? static_cast<char>(letter - 'a' + 'A') : letter; }
constexpr char LowerCase(char letter) { return IsWhitePiece(letter) ? static_cast<char>(letter - 'A' + 'a') : letter; }

}  // namespace

void ApplyMove(const Board* source, Move* move, Board* destination) {
  ClearCornerRights(move);

  const int from = SquareIndex(move->fromFile, move->fromRank);
  const int to = SquareIndex(move->toFile, move->toRank);
  char mover = source->squares[from];
  const char targetBefore = source->squares[to];

  if (destination != source) *destination = *source;

  if (mover == 'P' && move->toRank == kRank8) mover = 'Q';
  if (mover == 'p' && move->toRank == kRank1) mover = 'q';

  destination->squares[from] = kEmptySquare;
  destination->squares[to] = mover;

  // A king leaving its home square gives up both castling rights.
  if (mover == 'K' && move->fromFile == kFileE && move->fromRank == kRank1) {
    MoveCastlingRook(destination, move->toFile, kRank1, 'R');
    move->castleWhiteQueenSide = 0;
    move->castleWhiteKingSide = 0;
  }
  if (mover == 'k' && move->fromFile == kFileE && move->fromRank == kRank8) {
    MoveCastlingRook(destination, move->toFile, kRank8, 'r');
    move->castleBlackQueenSide = 0;
    move->castleBlackKingSide = 0;
  }

  // A pawn that moves diagonally onto an empty square captures en passant:
  // the pawn it passes stands beside its origin, on the target's file.
  const bool diagonalOntoEmpty = move->fromFile != move->toFile && targetBefore == kEmptySquare;
  if (mover == 'P' && diagonalOntoEmpty) {
    destination->squares[SquareIndex(move->toFile, kRank5)] = kEmptySquare;
  }
  if (mover == 'p' && diagonalOntoEmpty) {
    destination->squares[SquareIndex(move->toFile, kRank4)] = kEmptySquare;
  }
}

bool IsPromotion(const Board* board, Move move) {
  if (!IsOnBoard(move.fromFile, move.fromRank) || !IsOnBoard(move.toFile, move.toRank)) return false;
  const char mover = PieceAt(board, move.fromFile, move.fromRank);
  return (mover == 'P' && move.toRank == kRank8) || (mover == 'p' && move.toRank == kRank1);
}

void ApplyMovePromotingTo(const Board* source, Move* move, char promotion, Board* destination) {
  const bool promotes = IsPromotion(source, *move);
  const bool whiteMoves = IsWhitePiece(PieceAt(source, move->fromFile, move->fromRank));
  ApplyMove(source, move, destination);
  if (promotes && IsUnderpromotionLetter(promotion)) {
    destination->squares[SquareIndex(move->toFile, move->toRank)] =
        whiteMoves ? UpperCase(promotion) : LowerCase(promotion);
  }
}
