#include "frontend/text_input.h"

#include <cctype>
#include <climits>
#include <cstdlib>

namespace {

bool IsSpace(int c) { return c != EOF && std::isspace(static_cast<unsigned char>(c)) != 0; }

constexpr int kOctal = 8;
constexpr int kDecimal = 10;
constexpr int kHexadecimal = 16;
// The hexadecimal digits a to f (or A to F) stand for ten to fifteen.
constexpr int kFirstLetterDigit = 10;
// Above every base, so it ends every number.
constexpr int kNotADigit = 99;

int DigitValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + kFirstLetterDigit;
  if (c >= 'A' && c <= 'F') return c - 'A' + kFirstLetterDigit;
  return kNotADigit;
}

// Reads digits of `base` while they come; saturates instead of overflowing.
// Returns the number of digits read.
int ReadDigits(std::FILE* in, int base, long long* value) {
  int count = 0;
  int c = std::getc(in);
  while (c != EOF && DigitValue(c) < base) {
    const int digit = DigitValue(c);
    *value = *value > (LLONG_MAX - digit) / base ? LLONG_MAX : *value * base + digit;
    ++count;
    c = std::getc(in);
  }
  if (c != EOF) std::ungetc(c, in);
  return count;
}

}  // namespace

ReadStatus ReadWord(std::FILE* in, std::string* word) {
  word->clear();
  int c = std::getc(in);
  while (IsSpace(c)) c = std::getc(in);
  if (c == EOF) return ReadStatus::kEndOfInput;
  while (c != EOF && !IsSpace(c)) {
    word->push_back(static_cast<char>(c));
    c = std::getc(in);
  }
  if (c != EOF) std::ungetc(c, in);
  return ReadStatus::kOk;
}

ReadStatus ReadChar(std::FILE* in, char* letter) {
  const int c = std::getc(in);
  if (c == EOF) return ReadStatus::kEndOfInput;
  *letter = static_cast<char>(c);
  return ReadStatus::kOk;
}

void DropChar(std::FILE* in) {
  // A line end typed on Windows, CR LF, is dropped whole, as one LF is.
  if (std::getc(in) != '\r') return;
  const int next = std::getc(in);
  if (next != '\n' && next != EOF) std::ungetc(next, in);
}

ReadStatus DropLine(std::FILE* in) {
  for (int c = std::getc(in); c != '\n'; c = std::getc(in)) {
    if (c == EOF) return ReadStatus::kEndOfInput;
  }
  return ReadStatus::kOk;
}

ReadStatus ReadRestOfLine(std::FILE* in, std::string* text) {
  text->clear();
  int c = std::getc(in);
  if (c == EOF) return ReadStatus::kEndOfInput;
  for (; c != EOF && c != '\n'; c = std::getc(in)) {
    if (text->empty() && IsSpace(c)) continue;
    text->push_back(static_cast<char>(c));
  }
  while (!text->empty() && IsSpace(static_cast<unsigned char>(text->back()))) text->pop_back();
  return ReadStatus::kOk;
}

bool ParseDecimal(const std::string& text, long long* value) {
  char* end = nullptr;
  *value = std::strtoll(text.c_str(), &end, kDecimal);
  return end != text.c_str();
}

ReadStatus ReadInteger(std::FILE* in, long long* value) {
  int c = std::getc(in);
  while (IsSpace(c)) c = std::getc(in);
  if (c == EOF) return ReadStatus::kEndOfInput;
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = std::getc(in);
    if (c == EOF) return ReadStatus::kEndOfInput;
  }
  *value = 0;
  if (c == '0') {
    c = std::getc(in);
    if (c == 'x' || c == 'X') {
      ReadDigits(in, kHexadecimal, value);
    } else {
      if (c != EOF) std::ungetc(c, in);
      ReadDigits(in, kOctal, value);
    }
  } else {
    std::ungetc(c, in);
    if (ReadDigits(in, kDecimal, value) == 0) return ReadStatus::kUnreadable;
  }
  if (negative) *value = -*value;
  return ReadStatus::kOk;
}
