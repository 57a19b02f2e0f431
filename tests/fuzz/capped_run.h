// Runs the whole program on a string of bytes as its standard input, with a
// cap on the number of searches, so that a fuzzing input cannot keep the
// search busy for long. The program knows nothing of the cap: its input
// simply ends once its output has announced that many moves ("Move made: "
// in the console, "move " lines in the xboard protocol, "bestmove " in UCI,
// "Hint: "), or, when asked, after a few seconds. Every search is also
// bounded: after a couple of seconds of the run, none goes deeper than the
// depths that always complete, since at the deepest level with no clock one
// search could take hours.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// No cap: the run ends when the input does.
constexpr long kUncapped = -1;
// The fuzz target's cap: few enough moves that one input cannot keep a search
// going for long, yet enough for a short mate (the fool's mate takes four).
// FUZZ_MOVE_LIMIT overrides it, for runs that reach castling on both wings,
// promotion and stalemate.
constexpr long kFuzzMoveCap = 8;

struct CappedRun {
  int status = -1;
  std::string output;  // everything the program wrote, when kept
};

enum class Output { kKeep, kDiscard };

// Whether the input also ends after a few seconds, as it does for the
// fuzzer, which wants many short runs; the regression tests, run under
// valgrind too, take the time they need.
enum class TimeLimit { kNone, kFewSeconds };

// Runs `RunProgram` on `size` bytes at `data`. Returns false when the
// streams cannot be made.
bool RunCapped(const char* data, std::size_t size, long moveCap, TimeLimit timeLimit, Output output, CappedRun* run);

// How many times `word` occurs in `text`: the harness counts the moves
// announced with it.
long CountOccurrences(std::string_view text, std::string_view word);
