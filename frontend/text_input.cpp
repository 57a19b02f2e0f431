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
int ReadDigits(InputStream* in, int base, long long* value) {
  int count = 0;
  int c = NextChar(in);
  while (c != EOF && DigitValue(c) < base) {
    const int digit = DigitValue(c);
    *value = *value > (LLONG_MAX - digit) / base ? LLONG_MAX : *value * base + digit;
    ++count;
    c = NextChar(in);
  }
  if (c != EOF) PutBack(in, c);
  return count;
}

}  // namespace

ReadStatus ReadWord(InputStream* in, std::string* word) {
  word->clear();
  int c = NextChar(in);
  while (IsSpace(c)) c = NextChar(in);
  if (c == EOF) return ReadStatus::kEndOfInput;
  while (c != EOF && !IsSpace(c)) {
    word->push_back(static_cast<char>(c));
    c = NextChar(in);
  }
  if (c != EOF) PutBack(in, c);
  return ReadStatus::kOk;
}

ReadStatus ReadChar(InputStream* in, char* letter) {
  const int c = NextChar(in);
  if (c == EOF) return ReadStatus::kEndOfInput;
  *letter = static_cast<char>(c);
  return ReadStatus::kOk;
}

void DropChar(InputStream* in) {
  // A line end typed on Windows, CR LF, is dropped whole, as one LF is.
  if (NextChar(in) != '\r') return;
  const int next = NextChar(in);
  if (next != '\n' && next != EOF) PutBack(in, next);
}

ReadStatus DropLine(InputStream* in) {
  for (int c = NextChar(in); c != '\n'; c = NextChar(in)) {
    if (c == EOF) return ReadStatus::kEndOfInput;
  }
  return ReadStatus::kOk;
}

ReadStatus ReadRestOfLine(InputStream* in, std::string* text) {
  text->clear();
  int c = NextChar(in);
  if (c == EOF) return ReadStatus::kEndOfInput;
  for (; c != EOF && c != '\n'; c = NextChar(in)) {
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

ReadStatus ReadInteger(InputStream* in, long long* value) {
  int c = NextChar(in);
  while (IsSpace(c)) c = NextChar(in);
  if (c == EOF) return ReadStatus::kEndOfInput;
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = NextChar(in);
    if (c == EOF) return ReadStatus::kEndOfInput;
  }
  *value = 0;
  if (c == '0') {
    c = NextChar(in);
    if (c == 'x' || c == 'X') {
      ReadDigits(in, kHexadecimal, value);
    } else {
      if (c != EOF) PutBack(in, c);
      ReadDigits(in, kOctal, value);
    }
  } else {
    PutBack(in, c);
    if (ReadDigits(in, kDecimal, value) == 0) return ReadStatus::kUnreadable;
  }
  if (negative) *value = -*value;
  return ReadStatus::kOk;
}
