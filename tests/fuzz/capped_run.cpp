#include "tests/fuzz/capped_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string_view>

#include "frontend/program.h"

namespace {

// The words that announce the end of a search: a move played in the console
// or the xboard protocol, a move found in UCI, a hint.
constexpr std::string_view kConsoleMove = "Move made: ";
constexpr std::string_view kProtocolMove = "\nmove ";
constexpr std::string_view kUciMove = "bestmove ";
constexpr std::string_view kHint = "Hint: ";
constexpr std::size_t kLongestAnnouncement = kConsoleMove.size();

// With a time limit, the input also ends after this long: a board may ask
// for the deepest search at every move.
constexpr std::chrono::seconds kTimeBudget{4};
// After this long every search stops once its always-completed depths are
// done: with the deepest level and no clock one search could take hours.
// The program ends each search when its input has ended, and here the
// input ends soon; this bounds the rest.
constexpr std::chrono::seconds kSearchBudget{2};

struct Streams {
  const char* data;
  std::size_t size;
  std::size_t read = 0;
  long moveCap;
  TimeLimit timeLimit;
  // Written by the program's main thread, read by its input reader too.
  std::atomic<long> moves = 0;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  Output output;
  std::string* kept;
  std::string tail;  // the last bytes written, so that a word split between writes is seen
};

ssize_t ReadInput(void* cookie, char* buffer, std::size_t size) {
  Streams* streams = static_cast<Streams*>(cookie);
  if (streams->moveCap != kUncapped && streams->moves >= streams->moveCap) return 0;
  if (streams->timeLimit == TimeLimit::kFewSeconds && std::chrono::steady_clock::now() - streams->start > kTimeBudget) {
    return 0;
  }
  const std::size_t count = std::min(size, streams->size - streams->read);
  std::copy_n(streams->data + streams->read, count, buffer);
  streams->read += count;
  return static_cast<ssize_t>(count);
}

ssize_t WriteOutput(void* cookie, const char* buffer, std::size_t size) {
  Streams* streams = static_cast<Streams*>(cookie);
  if (streams->output == Output::kKeep) streams->kept->append(buffer, size);
  // Counted on the tail of the last write and this one, so that each
  // announcement is counted once, in the write that completes it.
  const std::string joined = streams->tail + std::string(buffer, size);
  const std::string_view old(streams->tail);
  for (const std::string_view announcement : {kConsoleMove, kProtocolMove, kUciMove, kHint}) {
    streams->moves += CountOccurrences(joined, announcement) - CountOccurrences(old, announcement);
  }
  const std::size_t keep = joined.size() < kLongestAnnouncement ? joined.size() : kLongestAnnouncement - 1;
  streams->tail = joined.substr(joined.size() - keep);
  return static_cast<ssize_t>(size);
}

}  // namespace

long CountOccurrences(std::string_view text, std::string_view word) {
  long count = 0;
  for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) ++count;
  return count;
}

bool RunCapped(const char* data, std::size_t size, long moveCap, TimeLimit timeLimit, Output output, CappedRun* run) {
  Streams streams{data, size, 0, moveCap, timeLimit, {0}, std::chrono::steady_clock::now(), output, &run->output, {}};
  std::FILE* in = fopencookie(&streams, "r", {ReadInput, nullptr, nullptr, nullptr});
  std::FILE* out = fopencookie(&streams, "w", {nullptr, WriteOutput, nullptr, nullptr});
  if (in == nullptr || out == nullptr) {
    if (in != nullptr) std::fclose(in);
    if (out != nullptr) std::fclose(out);
    return false;
  }
  // Unbuffered both ways: each move is counted as it is written, and no
  // input is read ahead of the cap.
  std::setvbuf(in, nullptr, _IONBF, 0);
  std::setvbuf(out, nullptr, _IONBF, 0);
  const auto start = streams.start;
  run->status = RunProgram(in, out, [start] { return std::chrono::steady_clock::now() - start > kSearchBudget; });
  std::fclose(in);
  std::fclose(out);
  return true;
}
