// The two value types of the game: the board and the move record, plus the
// small operations that make and read them.
#pragma once

#include <cassert>
#include <cstdint>

// Piece letters: White upper case, Black lower case, '-' an empty square.
constexpr char kEmptySquare = '-';

// Side letters, used by the front ends and as the engine's side argument.
constexpr char kWhiteSide = 'W';
constexpr char kBlackSide = 'B';

constexpr char OtherSide(char side) { return side == kWhiteSide ? kBlackSide : kWhiteSide; }

constexpr int kBoardSize = 8;
constexpr int kSquareCount = kBoardSize * kBoardSize;

// File and rank indices: file 0..7 is a..h, rank 0..7 is ranks 1..8.
constexpr int kFileA = 0;
constexpr int kFileB = 1;
constexpr int kFileC = 2;
constexpr int kFileD = 3;
constexpr int kFileE = 4;
constexpr int kFileF = 5;
constexpr int kFileG = 6;
constexpr int kFileH = 7;
constexpr int kRank1 = 0;
constexpr int kRank2 = 1;
constexpr int kRank3 = 2;
constexpr int kRank4 = 3;
constexpr int kRank5 = 4;
constexpr int kRank6 = 5;
constexpr int kRank7 = 6;
constexpr int kRank8 = 7;

constexpr bool IsOnBoard(int file, int rank) {
  return file >= 0 && file < kBoardSize && rank >= 0 && rank < kBoardSize;
}

// The board runs file by file: a1, a2, ..., a8, b1, ..., h8.
constexpr int SquareIndex(int file, int rank) {
  assert(IsOnBoard(file, rank));
  return file * kBoardSize + rank;
}

// What FindPiece answers when the piece is not on the board.
constexpr int kNoSquare = -1;

struct Board {
  char squares[kSquareCount];
};

// A move carries its origin and target and, riding along from move to move,
// the four castling rights (1 while allowed, 0 once lost).
struct Move {
  std::int32_t fromFile;
  std::int32_t fromRank;
  std::int32_t toFile;
  std::int32_t toRank;
  std::int32_t castleWhiteQueenSide;
  std::int32_t castleWhiteKingSide;
  std::int32_t castleBlackQueenSide;
  std::int32_t castleBlackKingSide;
};

// Writes the initial position and points the last-move record at e8, where
// the Black king stands, so that White moves first. All rights become 1.
void SetUpBoard(Board* board, Move* lastMove);

// A new move between the given squares, carrying the castling rights of
// `carrier`. Nothing is checked.
Move BuildMove(int fromFile, int fromRank, int toFile, int toRank, Move carrier);

// Coordinates come back as the low eight bits of the field, sign included.
inline signed char GetFromFile(Move move) { return static_cast<signed char>(move.fromFile); }
inline signed char GetFromRank(Move move) { return static_cast<signed char>(move.fromRank); }
inline signed char GetToFile(Move move) { return static_cast<signed char>(move.toFile); }
inline signed char GetToRank(Move move) { return static_cast<signed char>(move.toRank); }
inline std::int32_t GetCastleWhiteQueenSide(Move move) { return move.castleWhiteQueenSide; }
inline std::int32_t GetCastleWhiteKingSide(Move move) { return move.castleWhiteKingSide; }
inline std::int32_t GetCastleBlackQueenSide(Move move) { return move.castleBlackQueenSide; }
inline std::int32_t GetCastleBlackKingSide(Move move) { return move.castleBlackKingSide; }

inline char PieceAt(const Board* board, int file, int rank) { return board->squares[SquareIndex(file, rank)]; }

// The first square in board order that holds `letter` (a king, say), or
// kNoSquare.
int FindPiece(const Board* board, char letter);

// Colour tests by the case of the letter, so '-' belongs to neither side.
constexpr bool IsWhitePiece(char letter) { return letter >= 'A' && letter <= 'Z'; }
constexpr bool IsBlackPiece(char letter) { return letter >= 'a' && letter <= 'z'; }
