#include "rules/check.h"

#include <cctype>
#include <initializer_list>

#include "rules/king_rules.h"
#include "rules/piece_rules.h"

namespace {

// Whether the piece `letter` standing on the trial move's origin reaches its
// target, by the piece's movement rule. Kings reach only neighbouring squares:
// castling never attacks anything. Pawns are handled by the callers.
int SliderOrLeaperReaches(char letter, Move trial, const Board* board) {
  switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 'n': return KnightRule(trial);
    case 'b': return BishopRule(trial, board);
    case 'r': return RookRule(trial, board);
    case 'q': return QueenRule(trial, board);
    case 'k': return IsKingStep(trial);
    default: return 0;
  }
}

// Whether the king `king` is attacked by any piece of the colour
// `isAttacker` tells. A missing king is never in check.
int IsKingReachedBy(char king, bool (*isAttacker)(char), const Board* board, Move move) {
  const int kingSquare = FindPiece(board, king);
  if (kingSquare == kNoSquare) return 0;
  const int kingFile = kingSquare / kBoardSize;
  const int kingRank = kingSquare % kBoardSize;
  for (int file = kFileA; file <= kFileH; ++file) {
    for (int rank = kRank1; rank <= kRank8; ++rank) {
      const char letter = PieceAt(board, file, rank);
      if (!isAttacker(letter)) continue;
      const Move trial = BuildMove(file, rank, kingFile, kingRank, move);
      int reaches = 0;
      if (letter == 'p') {
        reaches = BlackPawnRule(trial, board, move);
      } else if (letter == 'P') {
        reaches = WhitePawnRule(trial, board, move);
      } else {
        reaches = SliderOrLeaperReaches(letter, trial, board);
      }
      if (reaches) return 1;
    }
  }
  return 0;
}

// Whether a pawn, knight, bishop, rook or queen of one colour attacks the
// square; `attackers` lists their letters, the pawn first.
int IsSquareAttackedBy(const char* attackers, int file, int rank, const Board* board, Move move) {
  const char pawn = attackers[0];
  if (IsAttackedByPawn(file, rank, board, pawn)) return 1;
  for (int from = 0; from < kSquareCount; ++from) {
    const char letter = board->squares[from];
    if (letter == pawn || letter == kEmptySquare) continue;
    bool isAttacker = false;
    for (const char* piece = attackers + 1; *piece != '\0'; ++piece) isAttacker |= (letter == *piece);
    if (!isAttacker) continue;
    const Move trial = BuildMove(from / kBoardSize, from % kBoardSize, file, rank, move);
    if (SliderOrLeaperReaches(letter, trial, board)) return 1;
  }
  return 0;
}

}  // namespace

int IsAttackedByPawn(int file, int rank, const Board* board, char pawn) {
  const int pawnRank = pawn == 'P' ? rank - 1 : rank + 1;
  for (int pawnFile : {file - 1, file + 1}) {
    if (IsOnBoard(pawnFile, pawnRank) && PieceAt(board, pawnFile, pawnRank) == pawn) return 1;
  }
  return 0;
}

int IsWhiteInCheck(const Board* board, Move move) { return IsKingReachedBy('K', IsBlackPiece, board, move); }

int IsBlackInCheck(const Board* board, Move move) { return IsKingReachedBy('k', IsWhitePiece, board, move); }

int IsSquareAttackedByBlack(int file, int rank, const Board* board, Move move) {
  return IsSquareAttackedBy("pnbrq", file, rank, board, move);
}

int IsSquareAttackedByWhite(int file, int rank, const Board* board, Move move) {
  return IsSquareAttackedBy("PNBRQ", file, rank, board, move);
}
