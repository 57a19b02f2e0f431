#include "model/move_text.h"

#include "model/apply_move.h"

namespace {

constexpr std::size_t kSquaresLength = 4;
constexpr std::size_t kPromotionIndex = 4;

bool IsPromotionLetter(char letter) {
  return letter == 'q' || letter == 'r' || letter == 'b' || letter == 'n' || letter == 'Q' || letter == 'R' ||
         letter == 'B' || letter == 'N';
}

char Lower(char letter) { return letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter; }

}  // namespace

Move ParseCoordinateMove(const std::string& word, Move lastMove) {
  auto at = [&word](std::size_t i) { return i < word.size() ? word[i] : '\0'; };
  return BuildMove(static_cast<signed char>(at(0) - 'a'), static_cast<signed char>(at(1) - '1'),
                   static_cast<signed char>(at(2) - 'a'), static_cast<signed char>(at(3) - '1'), lastMove);
}

char ParsePromotionLetter(const std::string& word) {
  if (word.size() > kPromotionIndex && IsPromotionLetter(word[kPromotionIndex])) {
    return Lower(word[kPromotionIndex]);
  }
  return kQueenPromotion;
}

bool LooksLikeMoveText(const std::string& word) {
  if (word.size() < kSquaresLength || word.size() > kSquaresLength + 1) return false;
  auto isFile = [](char c) { return c >= 'a' && c <= 'h'; };
  auto isRank = [](char c) { return c >= '1' && c <= '8'; };
  if (!isFile(word[0]) || !isRank(word[1]) || !isFile(word[2]) || !isRank(word[3])) return false;
  return word.size() == kSquaresLength || IsPromotionLetter(word[kPromotionIndex]);
}

std::string MoveText(Move move) {
  std::string text;
  text += static_cast<char>('a' + move.fromFile);
  text += static_cast<char>('1' + move.fromRank);
  text += static_cast<char>('a' + move.toFile);
  text += static_cast<char>('1' + move.toRank);
  return text;
}

std::string MoveTextWithPromotion(const Board* before, Move move) {
  std::string text = MoveText(move);
  if (IsPromotion(before, move)) text += kQueenPromotion;
  return text;
}
