#include "support/positions.h"

#include <initializer_list>

#include "model/apply_move.h"
#include "rules/legality.h"

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
