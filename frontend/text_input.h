// Reading the console's input the way formatted input reads it: a word up
// to white space, one character, or an integer in decimal, octal (leading 0)
// or hexadecimal (leading 0x), with an optional sign. Words have no length
// limit. End of input is reported, never read past.
#pragma once

#include <string>

#include "frontend/input_stream.h"

enum class ReadStatus { kOk, kUnreadable, kEndOfInput };

// Skips white space, then reads up to the next white space (not consumed).
ReadStatus ReadWord(InputStream* in, std::string* word);

// The very next character, white space included.
ReadStatus ReadChar(InputStream* in, char* letter);

// Reads and drops one character, normally the line end after an answer; a
// CR LF pair counts as one line end.
void DropChar(InputStream* in);

// Drops everything up to and including the next line end. Returns
// kEndOfInput if the input ends first.
ReadStatus DropLine(InputStream* in);

// The rest of the current line, its line end consumed, without the white
// space around it. kEndOfInput only when the input had already ended.
ReadStatus ReadRestOfLine(InputStream* in, std::string* text);

// The decimal number at the start of `text` (white space and a sign
// allowed before it); false when it starts with none.
bool ParseDecimal(const std::string& text, long long* value);

// Skips white space and reads an integer. A value too large for `long long`
// saturates. kUnreadable when no digit follows (the offending character is
// left in the input).
ReadStatus ReadInteger(InputStream* in, long long* value);
