// libFuzzer target: the whole program, fed the fuzzer's bytes as its
// standard input. The first word picks the mode exactly as at the console
// ("xboard" for the protocol, anything else for a console game), so one
// target covers the name prompt, the side question, square entry, the
// protocol words, the rules and the search.
//
// Besides the sanitizers, each run checks what the program itself promises:
// - it returns 0 whatever the input;
// - nothing at all is written to the real standard output. The program
//   writes only to the stream it is given; the rule code prints to stdout
//   only when it meets a board that cannot happen (an unknown piece letter),
//   so any byte there means the board was corrupted.
// The output is not kept, so that a long input cannot fill memory.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/fuzz/capped_run.h"

namespace {

// libFuzzer's two entry points share nothing but these, set once at start.
long gMoveCap = kFuzzMoveCap;
int gStdoutCapture = -1;  // what stdout's descriptor writes into

void Fail(const char* what) {
  std::fprintf(stderr, "\n==fuzz_program== %s\n", what);
  std::fflush(stderr);
  std::abort();
}

// Redirects descriptor 1 into an unlinked temporary file so that any stray
// write to stdout can be seen (and shown) after the run.
void CaptureStdout() {
  char path[] = "/tmp/fuzz_program_stdout_XXXXXX";
  gStdoutCapture = mkstemp(path);
  if (gStdoutCapture < 0) Fail("cannot create the stdout capture file");
  unlink(path);
  std::fflush(stdout);
  if (dup2(gStdoutCapture, STDOUT_FILENO) < 0) Fail("cannot redirect stdout");
}

void CheckStdoutIsEmpty() {
  std::fflush(stdout);
  const off_t written = lseek(STDOUT_FILENO, 0, SEEK_CUR);
  if (written <= 0) return;
  char text[512];
  const ssize_t got = pread(gStdoutCapture, text, sizeof text - 1, 0);
  text[got > 0 ? got : 0] = '\0';
  std::fprintf(stderr, "\n==fuzz_program== %lld byte(s) written to stdout, beginning with:\n%s\n",
               static_cast<long long>(written), text);
  Fail("the program reported an impossible board on stdout");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  if (const char* limit = std::getenv("FUZZ_MOVE_LIMIT")) {
    char* end = nullptr;
    const long value = std::strtol(limit, &end, 10);
    if (end == limit || *end != '\0' || value <= 0) Fail("FUZZ_MOVE_LIMIT must be a positive number");
    gMoveCap = value;
  }
  // Setting FUZZ_PROGRAM_KEEP_STDOUT leaves stdout alone (for debugging).
  if (std::getenv("FUZZ_PROGRAM_KEEP_STDOUT") == nullptr) CaptureStdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exactly sized heap copy: a read one past the input is an ASan report.
  std::vector<char> copy(data, data + size);
  CappedRun run;
  if (!RunCapped(copy.data(), copy.size(), gMoveCap, TimeLimit::kFewSeconds, Output::kDiscard, &run))
    Fail("cannot open the streams");
  if (run.status != 0) Fail("RunProgram returned a non-zero status");
  if (gStdoutCapture >= 0) CheckStdoutIsEmpty();
  return 0;
}
