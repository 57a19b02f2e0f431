// Replays the fuzzing seeds, the session scripts (their .in files) and every
// saved fuzzing finding through the whole
// program, in-process, and runs the awkward inputs the fuzzer is meant to
// explore as plain tests: NUL bytes, bytes above 127, input that ends in the
// middle of a word, odd rank numbers, long runs of refused moves and words of
// a megabyte in both modes.
//
// Every run must end with status 0, must not report an impossible board on
// standard output (the rule code prints there only for a corrupted board),
// and must never print an invalid move. Built with CHESS_SANITIZE=ON, the
// address and undefined-behaviour checks watch the same runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/fuzz/capped_run.h"
#include "tests/support/console_texts.h"
#include "tests/support/test_names.h"

#ifndef CHESS_FUZZ_DIR
#error "CHESS_FUZZ_DIR must name the tests/fuzz directory"
#endif
#ifndef CHESS_SESSIONS_DIR
#error "CHESS_SESSIONS_DIR must name the tests/sessions directory"
#endif

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string output;      // what the program wrote to its output stream
  std::string stdoutText;  // what reached the real standard output
};

// Runs the program on `input` as standard input, under the fuzz target's
// move cap unless told otherwise.
Outcome RunOn(const std::string& input, long moveCap = kFuzzMoveCap) {
  CappedRun run;
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  const bool ran = RunCapped(input.data(), input.size(), moveCap, TimeLimit::kNone, Output::kKeep, &run);
  std::fflush(stdout);
  std::string stdoutText = ::testing::internal::GetCapturedStdout();
  if (!ran) ADD_FAILURE() << "cannot open the streams";
  return {run.status, std::move(run.output), std::move(stdoutText)};
}

// What every run must satisfy, whatever its input.
void ExpectSound(const Outcome& outcome) {
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.stdoutText, "") << "the rule code met an impossible board";
  // "Error:" begins the text printed for an invalid move; the protocol's own
  // refusals read "Error (...)".
  EXPECT_EQ(outcome.output.find("Error:"), std::string::npos) << "an invalid move or board was printed";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file.good()) << "cannot read " << path;
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Every seed, every session's input and every saved finding, hidden files
// and READMEs aside.
std::vector<fs::path> Inputs() {
  std::vector<fs::path> paths;
  for (const fs::path& root :
       {fs::path(CHESS_FUZZ_DIR) / "seeds", fs::path(CHESS_FUZZ_DIR) / "regressions", fs::path(CHESS_SESSIONS_DIR)}) {
    if (!fs::is_directory(root)) continue;
    for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
      const std::string name = entry.path().filename().string();
      if (!entry.is_regular_file() || name.front() == '.' || name.rfind("README", 0) == 0) continue;
      if (root.filename() == "sessions" && entry.path().extension() != ".in") continue;
      paths.push_back(entry.path());
    }
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string TestName(const ::testing::TestParamInfo<fs::path>& info) {
  return CaseName(info.param.parent_path().filename().string() + "_" + info.param.filename().string());
}

const std::string kMegabyte(1 << 20, 'n');

TEST(FuzzSeedCorpusTest, IsThere) {
  // A wrong CHESS_FUZZ_DIR would otherwise replay nothing and pass.
  EXPECT_GE(Inputs().size(), 20u) << CHESS_FUZZ_DIR;
}

class FuzzReplayTest : public ::testing::TestWithParam<fs::path> {};

TEST_P(FuzzReplayTest, EndsWithStatusZeroUnderTheFuzzCap) { ExpectSound(RunOn(ReadFile(GetParam()))); }

TEST_P(FuzzReplayTest, EndsWithStatusZeroWithoutCap) { ExpectSound(RunOn(ReadFile(GetParam()), kUncapped)); }

INSTANTIATE_TEST_SUITE_P(Seeds, FuzzReplayTest, ::testing::ValuesIn(Inputs()), TestName);

struct EndOfInputCase {
  const char* input;
  std::string outputEnd;  // what the output ends with ("": anything)
};

// End of input at any prompt, in the middle of a word too, ends the program
// at once, with status 0.
TEST(EndOfInputTest, EndsAtOnce) {
  for (const EndOfInputCase& c : {
           EndOfInputCase{"", kHello},
           EndOfInputCase{"  \n \n", kHello},
           EndOfInputCase{"An", kAskSide},
           EndOfInputCase{"Ann\n", kAskSide},
           EndOfInputCase{"Ann\nxyz", kAskSide},
           EndOfInputCase{"Ann\n\n", kAskSide},
           EndOfInputCase{"Ann\nW\n", kAskOrigin},
           EndOfInputCase{"Ann\nW\ne", kAskOrigin},
           EndOfInputCase{"Ann\nW\ne2\n", kAskTarget},
           EndOfInputCase{"Ann\nW\ne2\ne", kAskTarget},
           EndOfInputCase{"Ann\nW\ne2\ne0x", kAskOrigin},
           EndOfInputCase{"Ann\nW\ne2\ne-", kAskTarget},
           EndOfInputCase{"Ann\nW\ne2\ne+", kAskTarget},
           EndOfInputCase{"Ann\nW\ne2\ne0", kAskOrigin},
           EndOfInputCase{"Ann\nW\nf2\nf3\ng2\ng4\nh2\nh3\n", "Press enter to exit"},
           EndOfInputCase{"xboa", kAskSide},
           EndOfInputCase{"xboard", kHello + "\n"},
           EndOfInputCase{"xboard\nnew\n", kHello + "\n"},
           EndOfInputCase{"xboard\nnew\ne2e", kHello + "\n"},
           EndOfInputCase{"xboard\nnew\ne2e4\nwhi", kHello + "\nmove e7e5\n"},
           EndOfInputCase{"xboard\nqui", ""},
           EndOfInputCase{"xboard\nprotover 2\nsetboard 8/8", ""},
           EndOfInputCase{"xboard\nprotover 2\nping", ""},
           EndOfInputCase{"uci", ""},
           EndOfInputCase{"uci\nposition startpos moves e2e4\ngo infinite", ""},
           EndOfInputCase{"uci\nisrea", ""},
       }) {
    SCOPED_TRACE(c.input);
    const Outcome outcome = RunOn(c.input);
    ExpectSound(outcome);
    EXPECT_TRUE(outcome.output.ends_with(c.outputEnd)) << outcome.output;
  }
}

TEST(FuzzSideAnswerTest, LineEndAsAnswerAsksAgain) {
  const Outcome outcome = RunOn("Ann\n\n\nW\ne2\ne4\n");
  ExpectSound(outcome);
  EXPECT_EQ(CountOccurrences(outcome.output, kAskSide), 3);
  EXPECT_NE(outcome.output.find(kMoveMade + "e2e4\n"), std::string::npos);
}

TEST(FuzzNulByteTest, InTheName) {
  const std::string name("A\0n", 3);
  const Outcome outcome = RunOn(name + "\nW\n");
  ExpectSound(outcome);
  EXPECT_NE(outcome.output.find("Hi, " + name + kAskSide), std::string::npos);
}

TEST(FuzzNulByteTest, AsFileLetterAndAsRank) {
  const std::string nul(1, '\0');
  // NUL as the file letter of the first entry and as the rank of the second.
  const Outcome outcome = RunOn("Ann\nW\n" + nul + "2\ne4\ne" + nul + "\ne4\ne2\ne4\n");
  ExpectSound(outcome);
  EXPECT_EQ(CountOccurrences(outcome.output, kRefused), 2);
  EXPECT_NE(outcome.output.find(kMoveMade + "e2e4\n"), std::string::npos);
}

TEST(FuzzNulByteTest, InProtocolWords) {
  const std::string nul(1, '\0');
  const Outcome outcome = RunOn("xboard\nnew\n" + nul + nul + nul + nul + "\ne2" + nul + "e4\ne2e4\n");
  ExpectSound(outcome);
  EXPECT_EQ(outcome.output, kHello + "\nmove e7e5\n");
}

TEST(FuzzHighByteTest, InTheNameAndAsSquares) {
  const std::string name = "\xc3\x89lodie\xff";
  // Two entries with such file letters, then e2 e4.
  const Outcome outcome = RunOn(name +
                                "\nW\n\xff"
                                "2\n\x80"
                                "4\n\xe5"
                                "2\ne4\ne2\ne4\n");
  ExpectSound(outcome);
  EXPECT_NE(outcome.output.find("Hi, " + name + kAskSide), std::string::npos);
  EXPECT_EQ(CountOccurrences(outcome.output, kRefused), 2);
  EXPECT_NE(outcome.output.find(kMoveMade + "e2e4\n"), std::string::npos);
}

TEST(FuzzHighByteTest, EveryByteValueInBothModes) {
  std::string bytes;
  for (int byte = 0; byte < 256; ++byte) bytes += static_cast<char>(byte);
  const Outcome console = RunOn("Ann\nW\n" + bytes + "\n" + bytes + "\n\xff\x80\n");
  ExpectSound(console);
  EXPECT_NE(console.output.find(kRefused), std::string::npos);
  ExpectSound(RunOn("xboard\nnew\n" + bytes + "\n" + bytes + "\n"));
  const Outcome protocol = RunOn("xboard\nnew\n" + bytes + "\ne2e4\n");
  EXPECT_EQ(protocol.output, kHello + "\nmove e7e5\n");
}

struct EntryCase {
  const char* typed;  // after the name and the side
  bool accepted;      // read as e2 to e4
};

// How typed squares are read: the file letter in either case, the rank as an
// integer with optional sign, in decimal, octal or hexadecimal, and nothing
// that only fits once cut to a machine word.
TEST(EntryTest, ReadsSquares) {
  for (const EntryCase& c : {
           EntryCase{"e2\ne4\n", true},
           EntryCase{"e+2\ne4\n", true},
           EntryCase{"e02\ne04\n", true},
           EntryCase{"e0x2\ne0x4\n", true},
           EntryCase{"i2\ne4\n", false},
           EntryCase{"e9\ne4\n", false},
           EntryCase{"e0\ne4\n", false},
           EntryCase{"e-1\ne4\n", false},
           EntryCase{"e-0\ne4\n", false},
           EntryCase{"e+\ne4\n", false},
           EntryCase{"ex\ne4\n", false},
           EntryCase{"e99999999999\ne4\n", false},
           EntryCase{"e99999999999999999999999\ne4\n", false},
           EntryCase{"e3\ne4\n", false},
           EntryCase{"e7\ne5\n", false},
           // 2^32 + 2 and 2^32 + 4 would pass as 2 and 4 if cut to 32 bits.
           EntryCase{"e4294967298\ne4\n", false},
           EntryCase{"e2\ne4294967300\n", false},
           EntryCase{"e2\ne18446744073709551620\n", false},
           EntryCase{"e2\ne0x7\n", false},
           EntryCase{"e2\ne-\n", false},
           EntryCase{"e2\ne0x\n", false},
           EntryCase{"e2\ne-99999999999999999999999\n", false},
           EntryCase{"e2\ne0x7fffffffffffffff\n", false},
           EntryCase{"e2\ne0xffffffffffffffffff\n", false},
           EntryCase{"e2\ne-0x8000000000000000\n", false},
       }) {
    SCOPED_TRACE(c.typed);
    const Outcome outcome = RunOn(std::string("Ann\nW\n") + c.typed);
    ExpectSound(outcome);
    EXPECT_EQ(outcome.output.find(kMoveMade + "e2e4\n") != std::string::npos, c.accepted);
    EXPECT_EQ(outcome.output.find(kRefused) == std::string::npos, c.accepted);
  }
}

TEST(FuzzRefusedMovesTest, TenThousandInTheConsole) {
  // Each is one whole entry: two squares, or unreadable ranks whose lines are
  // thrown away.
  const char* refused[] = {"e2\ne5\n", "a1\na8\n",   "i9\nz0\n", "e7\ne5\n",
                           "ex\ney\n", "h1\nh0x9\n", "e3\ne4\n", "e2\ne-0\n"};
  std::string input = "Ann\nW\n";
  constexpr int kEntries = 10000;
  for (int i = 0; i < kEntries; ++i) input += refused[i % 8];
  const Outcome outcome = RunOn(input + "e2\ne4\n");
  ExpectSound(outcome);
  EXPECT_EQ(CountOccurrences(outcome.output, kRefused), kEntries);
  EXPECT_NE(outcome.output.find(kMoveMade + "e2e4\n"), std::string::npos);
}

TEST(FuzzRefusedMovesTest, TenThousandInTheProtocol) {
  const char* dropped[] = {"e2e5", "a1a8", "z9z9", "e7e5", "d1d8", "e2e2", "h1h9", "e2", "otim", "30000"};
  std::string input = "xboard\nnew\n";
  for (int i = 0; i < 10000; ++i) input += std::string(dropped[i % 10]) + "\n";
  const Outcome outcome = RunOn(input + "e2e4\n");
  ExpectSound(outcome);
  EXPECT_EQ(outcome.output, kHello + "\nmove e7e5\n");
}

TEST(FuzzMegabyteWordTest, AsTheNameOfAConsoleGame) {
  const Outcome outcome = RunOn(kMegabyte + "\nW\ne2\ne5\ne2\ne4\n");
  ExpectSound(outcome);
  const std::string greeting = kHello + "\nHi, " + kMegabyte + kAskSide;
  EXPECT_EQ(outcome.output.compare(0, greeting.size(), greeting), 0);
  // The name is repeated whole at every move prompt.
  EXPECT_EQ(CountOccurrences(outcome.output, "Please enter your move, " + kMegabyte + ".\n"), 3);
  EXPECT_NE(outcome.output.find(kMoveMade + "e2e4\n"), std::string::npos);
}

TEST(FuzzMegabyteWordTest, AsTheSideAnswerAndAsARank) {
  const Outcome outcome = RunOn("Ann\n" + kMegabyte + "\nW\ne" + std::string(1 << 20, '9') + "\ne4\ne0x" +
                                std::string(1 << 20, 'f') + "\ne4\ne2\ne4\n");
  ExpectSound(outcome);
  EXPECT_EQ(CountOccurrences(outcome.output, kAskSide), 2);
  EXPECT_EQ(CountOccurrences(outcome.output, kRefused), 2);
  EXPECT_NE(outcome.output.find(kMoveMade + "e2e4\n"), std::string::npos);
}

TEST(FuzzMegabyteWordTest, InTheProtocol) {
  const std::string junk(1 << 20, 'x');
  const Outcome outcome =
      RunOn("xboard\nnew\n" + junk + "\ntime" + junk + "\ne2" + junk + "\ne2e4" + junk + "\nquit\n");
  ExpectSound(outcome);
  // A word that starts with a move is the move: only four characters count.
  EXPECT_EQ(outcome.output, kHello + "\nmove e7e5\n");
}

TEST(FuzzMegabyteWordTest, XboardFollowedByMoreLettersIsAName) {
  const Outcome outcome = RunOn("xboard" + kMegabyte + "\n");
  ExpectSound(outcome);
  EXPECT_TRUE(outcome.output.ends_with("Hi, xboard" + kMegabyte + kAskSide));
}

TEST(FuzzMoveCapTest, EndsTheGameInBothModes) {
  // Far more moves than the cap allows: the run stops after the cap.
  const Outcome console = RunOn("Ann\nW\ne2\ne4\nd2\nd4\ng1\nf3\nb1\nc3\nf1\nc4\nc1\ng5\na2\na3\n");
  ExpectSound(console);
  EXPECT_EQ(CountOccurrences(console.output, kMoveMade), kFuzzMoveCap);
  const Outcome protocol = RunOn("xboard\nnew\nwhite\nblack\nwhite\nblack\nwhite\nblack\nwhite\nblack\nwhite\nblack\n");
  ExpectSound(protocol);
  EXPECT_EQ(CountOccurrences(protocol.output, "move "), kFuzzMoveCap);
}

}  // namespace
