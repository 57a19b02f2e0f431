// The program's input, read a character at a time, that can also be read
// ahead while the engine searches: a reader thread takes the next line from
// the file while the search runs on the main thread, so that a board's
// "stop" or "isready" is seen in time. Whatever was read ahead is read again
// first, byte for byte, so that reading by words or by lines afterwards
// sees exactly the input it would have seen without the read-ahead.
//
// The reader thread exists only between StartReadingAhead and the moment
// its line is taken; taking it, or reading past what is buffered, joins it.
// Only the main thread calls these functions.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

// One line read ahead by the reader thread, or the end of the input.
struct ReadAhead {
  std::thread reader;
  std::string line;
  bool ended = false;
  std::atomic<bool> done{false};
};

struct InputStream {
  // Where the input comes from once `buffered` is used up; none when the
  // whole input is fed in by the program's driver (Feed).
  std::FILE* file = nullptr;
  std::string buffered;
  std::size_t next = 0;
  // The file has ended after `buffered`.
  bool ended = false;
  ReadAhead ahead;
};

// The next byte, or EOF at end of input. Blocks as a read of the file would.
int NextChar(InputStream* in);

// Gives back the byte just read, which the next NextChar returns again.
void PutBack(InputStream* in, int c);

// Appends `text` to the input, for a driver that writes it as it goes.
void Feed(InputStream* in, const std::string& text);

// Starts reading one more line in the background, unless the input has
// ended or a reader is already at work.
void StartReadingAhead(InputStream* in);

// What the input holds beyond what has been read, without waiting.
enum class Arrival { kNothingYet, kLine, kEndOfInput };

// Looks at the first line not yet read, without waiting: kLine with the
// line, its line end left out, once it is whole; kEndOfInput when the input
// ends before it.
Arrival PeekLine(InputStream* in, std::string* line);

// Removes that line, as if read.
void DropBufferedLine(InputStream* in);

// What a line that arrives while the engine searches does to the search:
// it waits until the search is over, it has been answered at once (and is
// dropped from the input), or it ends the search and is read after it.
enum class LineEffect { kWaits, kAnsweredAtOnce, kEndsSearch };

// Looks at the line that has arrived since a search began, if any, and
// asks `effect` about it: a line answered at once is dropped and the next
// one awaited; a line that waits stops the looking (`*lineWaits`), so that
// the search goes to its end whatever follows; a line that ends the search,
// or the end of the input, makes this true. Otherwise the next line is read
// ahead. For the search's interrupted hook.
bool InputEndsSearch(InputStream* in, bool* lineWaits, const std::function<LineEffect(const std::string&)>& effect);

// Waits for the reader thread, if one is at work, keeping its line. Called
// before the program ends, so that no thread outlives it.
void FinishReadingAhead(InputStream* in);
