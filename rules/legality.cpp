#include "rules/legality.h"

#include <cstdio>

#include "model/apply_move.h"
#include "rules/check.h"
#include "rules/king_rules.h"
#include "rules/piece_rules.h"

char SideToMove(const Board* board, Move lastMove) {
  return IsWhitePiece(PieceAt(board, GetToFile(lastMove), GetToRank(lastMove))) ? kBlackSide : kWhiteSide;
}

int IsLegalMove(Move move, const Board* board, Move lastMove) {
  Move trial = BuildMove(move.fromFile, move.fromRank, move.toFile, move.toRank, lastMove);
  // Bounds on the whole fields: the accessors give only the low eight bits,
  // and a field such as 257 must not pass as file 1 when the move is played.
  if (!IsOnBoard(move.fromFile, move.fromRank) || !IsOnBoard(move.toFile, move.toRank)) return 0;

  const char side = SideToMove(board, lastMove);
  const char origin = PieceAt(board, GetFromFile(move), GetFromRank(move));
  const char target = PieceAt(board, GetToFile(move), GetToRank(move));
  if (origin == kEmptySquare) return 0;
  if (side == kWhiteSide && (IsWhitePiece(target) || IsBlackPiece(origin))) return 0;
  if (side == kBlackSide && (IsBlackPiece(target) || IsWhitePiece(origin))) return 0;

  int allowed = 1;
  switch (origin) {
    case 'P': allowed = WhitePawnRule(move, board, lastMove); break;
    case 'p': allowed = BlackPawnRule(move, board, lastMove); break;
    case 'N':
    case 'n': allowed = KnightRule(move); break;
    case 'B':
    case 'b': allowed = BishopRule(move, board); break;
    case 'R':
    case 'r': allowed = RookRule(move, board); break;
    case 'Q':
    case 'q': allowed = QueenRule(move, board); break;
    case 'K': allowed = WhiteKingRule(move, board); break;
    case 'k': allowed = BlackKingRule(move, board); break;
    default: std::printf("\nError: Invalid Peice Type... %c\n", origin); break;
  }
  if (!allowed) return 0;

  Board scratch;
  ApplyMove(board, &trial, &scratch);
  if (side == kWhiteSide && IsWhiteInCheck(&scratch, trial)) return 0;
  if (side == kBlackSide && IsBlackInCheck(&scratch, trial)) return 0;
  return 1;
}

std::vector<Move> LegalMoves(const Board* board, Move lastMove) {
  std::vector<Move> moves;
  const char side = SideToMove(board, lastMove);
  for (int from = 0; from < kSquareCount; ++from) {
    const char piece = board->squares[from];
    if (side == kWhiteSide ? !IsWhitePiece(piece) : !IsBlackPiece(piece)) continue;
    for (int to = 0; to < kSquareCount; ++to) {
      const Move move = BuildMove(from / kBoardSize, from % kBoardSize, to / kBoardSize, to % kBoardSize, lastMove);
      if (IsLegalMove(move, board, lastMove)) moves.push_back(move);
    }
  }
  return moves;
}

bool IsPlayablePosition(const Board* board, Move lastMove) {
  int whiteKings = 0;
  int blackKings = 0;
  for (int file = kFileA; file <= kFileH; ++file) {
    for (int rank = kRank1; rank <= kRank8; ++rank) {
      const char piece = PieceAt(board, file, rank);
      whiteKings += piece == 'K';
      blackKings += piece == 'k';
      if ((piece == 'P' || piece == 'p') && (rank == kRank1 || rank == kRank8)) return false;
    }
  }
  if (whiteKings != 1 || blackKings != 1) return false;
  const bool whiteJustMoved = SideToMove(board, lastMove) == kBlackSide;
  return whiteJustMoved ? !IsWhiteInCheck(board, lastMove) : !IsBlackInCheck(board, lastMove);
}
