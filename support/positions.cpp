#include "support/positions.h"

#include <initializer_list>
#include <sstream>

#include "model/apply_move.h"
#include "rules/legality.h"

bool PositionFromFen(const std::string& fen, Position* position) {
  std::istringstream fields(fen);
  std::string placement, side, castling = "-", enPassant = "-";
  if (!(fields >> placement >> side)) return false;
  fields >> castling >> enPassant;
  Board& board = position->board;
  for (char& square : board.squares) square = kEmptySquare;
  int file = 0;
  int rank = kRank8;
  for (char c : placement) {
    if (c == '/') {
      --rank;
      file = 0;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
    } else {
      if (file > kFileH || rank < kRank1) return false;
      board.squares[SquareIndex(file, rank)] = c;
      ++file;
    }
  }
  if (side != "w" && side != "b") return false;
  Move& last = position->lastMove;
  last.castleWhiteKingSide = castling.find('K') != std::string::npos;
  last.castleWhiteQueenSide = castling.find('Q') != std::string::npos;
  last.castleBlackKingSide = castling.find('k') != std::string::npos;
  last.castleBlackQueenSide = castling.find('q') != std::string::npos;
  if (enPassant != "-" && enPassant.size() == 2) {
    const int epFile = enPassant[0] - 'a';
    const bool whiteMoved = side == "b";
    last.fromFile = epFile;
    last.toFile = epFile;
    last.fromRank = whiteMoved ? kRank2 : kRank7;
    last.toRank = whiteMoved ? kRank4 : kRank5;
    return true;
  }
  // The king of the side that moved last stands on the last move's target.
  const int king = FindPiece(&board, side == "b" ? 'K' : 'k');
  if (king == kNoSquare) return false;
  last.fromFile = last.toFile = king / kBoardSize;
  last.fromRank = last.toRank = king % kBoardSize;
  return true;
}

std::string FenFromPosition(const Position& position) {
  std::string fen;
  for (int rank = kRank8; rank >= kRank1; --rank) {
    int empty = 0;
    for (int file = kFileA; file <= kFileH; ++file) {
      const char c = PieceAt(&position.board, file, rank);
      if (c == kEmptySquare) {
        ++empty;
        continue;
      }
      if (empty > 0) fen += static_cast<char>('0' + empty);
      empty = 0;
      fen += c;
    }
    if (empty > 0) fen += static_cast<char>('0' + empty);
    if (rank > kRank1) fen += '/';
  }
  const char side = SideToMove(&position.board, position.lastMove);
  fen += side == kWhiteSide ? " w " : " b ";
  const Move& last = position.lastMove;
  std::string castling;
  if (last.castleWhiteKingSide) castling += 'K';
  if (last.castleWhiteQueenSide) castling += 'Q';
  if (last.castleBlackKingSide) castling += 'k';
  if (last.castleBlackQueenSide) castling += 'q';
  fen += castling.empty() ? "-" : castling;
  // An en passant square only where a pawn can really take there.
  std::string enPassant = "-";
  const char moved = PieceAt(&position.board, last.toFile, last.toRank);
  if ((moved == 'P' || moved == 'p') && (last.toRank - last.fromRank == 2 || last.fromRank - last.toRank == 2)) {
    const int passedRank = (last.fromRank + last.toRank) / 2;
    const char capturer = moved == 'P' ? 'p' : 'P';
    for (int file : {last.toFile - 1, last.toFile + 1}) {
      if (file < kFileA || file > kFileH || PieceAt(&position.board, file, last.toRank) != capturer) continue;
      const Move capture = BuildMove(file, last.toRank, last.toFile, passedRank, last);
      if (IsLegalMove(capture, &position.board, last)) {
        enPassant = std::string(1, static_cast<char>('a' + last.toFile)) + static_cast<char>('1' + passedRank);
      }
    }
  }
  return fen + " " + enPassant + " 0 1";
}

Move MoveFromText(const std::string& text, Move lastMove) {
  return BuildMove(text[0] - 'a', text[1] - '1', text[2] - 'a', text[3] - '1', lastMove);
}

std::string MoveText(Move move) {
  std::string text;
  text += static_cast<char>('a' + move.fromFile);
  text += static_cast<char>('1' + move.fromRank);
  text += static_cast<char>('a' + move.toFile);
  text += static_cast<char>('1' + move.toRank);
  return text;
}
