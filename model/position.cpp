#include "model/position.h"

#include <sstream>
#include <string_view>

namespace {

constexpr std::size_t kSquareNameLength = 2;

// The double step that passed `enPassant` (such as "e3"), if a pawn of the
// side that moved last stands where it ended and both squares it crossed
// are empty.
bool FindDoubleStep(const Board& board, const std::string& enPassant, bool whiteMoved, Move* step) {
  if (enPassant.size() != kSquareNameLength) return false;
  const int file = enPassant[0] - 'a';
  const int passedRank = enPassant[1] - '1';
  if (!IsOnBoard(file, passedRank) || passedRank != (whiteMoved ? kRank3 : kRank6)) return false;
  const int fromRank = whiteMoved ? kRank2 : kRank7;
  const int toRank = whiteMoved ? kRank4 : kRank5;
  if (PieceAt(&board, file, toRank) != (whiteMoved ? 'P' : 'p')) return false;
  if (PieceAt(&board, file, fromRank) != kEmptySquare || PieceAt(&board, file, passedRank) != kEmptySquare) {
    return false;
  }
  step->fromFile = step->toFile = file;
  step->fromRank = fromRank;
  step->toRank = toRank;
  return true;
}

// Each castling right named in `castling` whose king and rook are at home.
void SetCastlingRights(const Board& board, const std::string& castling, Move* last) {
  auto holds = [&](char right, char king, char rook, int rookFile, int rank) {
    return castling.find(right) != std::string::npos && PieceAt(&board, kFileE, rank) == king &&
           PieceAt(&board, rookFile, rank) == rook;
  };
  last->castleWhiteKingSide = holds('K', 'K', 'R', kFileH, kRank1);
  last->castleWhiteQueenSide = holds('Q', 'K', 'R', kFileA, kRank1);
  last->castleBlackKingSide = holds('k', 'k', 'r', kFileH, kRank8);
  last->castleBlackQueenSide = holds('q', 'k', 'r', kFileA, kRank8);
}

// The placement field: eight ranks from the eighth down, each of eight
// squares, pieces by their letters and runs of empty squares by a digit.
bool ReadPlacement(const std::string& placement, Board* board) {
  constexpr std::string_view kPieceLetters = "KQRBNPkqrbnp";
  for (char& square : board->squares) square = kEmptySquare;
  int file = kFileA;
  int rank = kRank8;
  for (const char c : placement) {
    if (c == '/') {
      if (file != kBoardSize || rank == kRank1) return false;
      --rank;
      file = kFileA;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
      if (file > kBoardSize) return false;
    } else if (kPieceLetters.find(c) != std::string_view::npos && file < kBoardSize) {
      board->squares[SquareIndex(file, rank)] = c;
      ++file;
    } else {
      return false;
    }
  }
  return rank == kRank1 && file == kBoardSize;
}

}  // namespace

Position InitialPosition() {
  Position position;
  SetUpBoard(&position.board, &position.lastMove);
  return position;
}

bool PositionFromBoard(const Board& board, char sideToMove, const std::string& castling, const std::string& enPassant,
                       Position* position) {
  Position made{board, {}};
  const bool whiteMoved = sideToMove == kBlackSide;
  Move& last = made.lastMove;
  SetCastlingRights(board, castling, &last);
  if (!FindDoubleStep(board, enPassant, whiteMoved, &last)) {
    // The king of the side that moved last stands on the last move's target.
    const int king = FindPiece(&board, whiteMoved ? 'K' : 'k');
    if (king == kNoSquare) return false;
    last.fromFile = last.toFile = king / kBoardSize;
    last.fromRank = last.toRank = king % kBoardSize;
  }
  *position = made;
  return true;
}

bool PositionFromFen(const std::string& fen, Position* position) {
  std::istringstream fields(fen);
  std::string placement, side, castling = "-", enPassant = "-";
  if (!(fields >> placement >> side)) return false;
  fields >> castling >> enPassant;
  Board board;
  if (!ReadPlacement(placement, &board) || (side != "w" && side != "b")) return false;
  return PositionFromBoard(board, side == "w" ? kWhiteSide : kBlackSide, castling, enPassant, position);
}
