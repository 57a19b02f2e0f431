#include "frontend/board_display.h"

#include "frontend/text_input.h"
#include "rules/check.h"
#include "rules/legality.h"

namespace {

constexpr int kNoFile = 99;

int FileOfLetter(char letter) {
  if (letter >= 'a' && letter <= 'h') return letter - 'a';
  if (letter >= 'A' && letter <= 'H') return letter - 'A';
  return kNoFile;
}

// A file letter, or '?' after an error message for a file off the board.
char FileLetter(std::FILE* out, std::int32_t file) {
  if (file >= kFileA && file <= kFileH) return static_cast<char>('a' + file);
  std::fputs("Error: cannot print invalid move", out);
  return '?';
}

struct TypedSquare {
  int file;
  long long rank;  // as typed, 1..8 on the board
};

// One square: the very next character as the file, then an integer rank,
// then one dropped character, normally the line end. A rank that cannot be
// read makes no square, and the rest of its line is thrown away so that the
// next entry starts on a fresh line.
ReadStatus ReadSquare(InputStream* in, TypedSquare* square) {
  char letter = 0;
  if (ReadChar(in, &letter) == ReadStatus::kEndOfInput) return ReadStatus::kEndOfInput;
  square->file = FileOfLetter(letter);
  const ReadStatus status = ReadInteger(in, &square->rank);
  if (status == ReadStatus::kEndOfInput) return status;
  if (status == ReadStatus::kUnreadable) {
    square->file = kNoFile;
    return DropLine(in);
  }
  DropChar(in);
  return ReadStatus::kOk;
}

bool IsOnBoard(const TypedSquare& square) {
  return square.file != kNoFile && square.rank >= 1 && square.rank <= kBoardSize;
}

}  // namespace

void PrintBoard(std::FILE* out, const Board* board) {
  for (int rank = kRank8; rank >= kRank1; --rank) {
    std::fprintf(out, "\n%i ", rank + 1);
    for (int file = kFileA; file <= kFileH; ++file) std::fprintf(out, " %c", PieceAt(board, file, rank));
  }
  std::fputs("\n\n   A B C D E F G H\n", out);
}

void PrintMove(std::FILE* out, Move move) {
  const char from = FileLetter(out, move.fromFile);
  const char to = FileLetter(out, move.toFile);
  std::fprintf(out, "%c%lld%c%lld\n", from, static_cast<long long>(move.fromRank) + 1, to,
               static_cast<long long>(move.toRank) + 1);
}

void PrintCheckNotices(std::FILE* out, const Board* board, Move lastMove) {
  if (IsWhiteInCheck(board, lastMove)) std::fputs("\nCheck!", out);
  if (IsBlackInCheck(board, lastMove)) std::fputs("\nCheck!", out);
}

Move ReadHumanMove(InputStream* in, std::FILE* out, const Board* board, Move lastMove, const std::string& name,
                   int* endOfInput) {
  *endOfInput = 0;
  for (;;) {
    std::fputs("\n\nPlease enter your move, ", out);
    std::fwrite(name.data(), 1, name.size(), out);
    std::fputs(".\n", out);
    TypedSquare origin{};
    TypedSquare target{};
    std::fputs("Please enter origin square (ex. e2):", out);
    if (ReadSquare(in, &origin) == ReadStatus::kEndOfInput) {
      *endOfInput = 1;
      return lastMove;
    }
    std::fputs("Please enter target square (ex. e4):", out);
    if (ReadSquare(in, &target) == ReadStatus::kEndOfInput) {
      *endOfInput = 1;
      return lastMove;
    }
    if (IsOnBoard(origin) && IsOnBoard(target)) {
      const int fromRank = static_cast<int>(origin.rank) - 1;
      const int toRank = static_cast<int>(target.rank) - 1;
      if (PieceAt(board, origin.file, fromRank) != kEmptySquare) {
        const Move candidate = BuildMove(origin.file, fromRank, target.file, toRank, lastMove);
        if (IsLegalMove(candidate, board, lastMove)) return candidate;
      }
    }
    std::fputs("\nI'm sorry, but that move is not valid", out);
    PrintBoard(out, board);
    PrintCheckNotices(out, board, lastMove);
  }
}
