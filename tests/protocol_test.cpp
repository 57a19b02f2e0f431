// Whole sessions on the built program: every NAME.in of tests/sessions is
// given as standard input and the standard output must be NAME.out, byte for
// byte, but for the time and node counts of thinking lines and UCI info
// lines (written T and N there) and for lines that are exactly "...", which
// stand for any number of lines. Each session also ends with status 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/console_texts.h"
#include "tests/support/run_program.h"
#include "tests/support/test_names.h"

#ifndef CHESS_SESSIONS_DIR
#error "CHESS_SESSIONS_DIR must name the tests/sessions directory"
#endif

namespace {

namespace fs = std::filesystem;

// Thinking lines and info lines with their time and node count as T and N:
// the time is the machine's, the count the search's own business.
std::string WithoutTimesAndNodes(const std::string& output) {
  // A number has a digit: the empty squares of a board picture are "-".
  auto isNumber = [](const std::string& word) {
    return word.find_first_not_of("-0123456789") == std::string::npos &&
           word.find_first_of("0123456789") != std::string::npos;
  };
  std::istringstream lines(output);
  std::string result;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::vector<std::string> w{std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
    const bool thinking = w.size() > 4 && isNumber(w[0]) && isNumber(w[1]) && isNumber(w[2]) && isNumber(w[3]);
    if (thinking) w[2] = "T", w[3] = "N";
    for (std::size_t i = 0; i + 1 < w.size() && w[0] == "info"; ++i) {
      if (w[i] == "nodes") w[i + 1] = "N";
      if (w[i] == "time") w[i + 1] = "T";
    }
    if (thinking || (!w.empty() && w[0] == "info")) {
      line.clear();
      for (const std::string& word : w) line += (line.empty() ? "" : " ") + word;
    }
    result += line + (lines.eof() ? "" : "\n");
  }
  return result;
}

// The text cut at each line end; a text that ends with one ends with an
// empty piece.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

const std::string kAnyLines = "...";

// Whether `actual` is `expected` with each "..." line standing for zero or
// more lines.
bool Matches(const std::vector<std::string>& expected, std::size_t e, const std::vector<std::string>& actual,
             std::size_t a) {
  if (e == expected.size()) return a == actual.size();
  if (expected[e] == kAnyLines) {
    for (std::size_t skip = a; skip <= actual.size(); ++skip) {
      if (Matches(expected, e + 1, actual, skip)) return true;
    }
    return false;
  }
  return a < actual.size() && expected[e] == actual[a] && Matches(expected, e + 1, actual, a + 1);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file.good()) << "cannot read " << path;
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> Sessions() {
  std::vector<fs::path> inputs;
  for (const fs::directory_entry& entry : fs::directory_iterator(CHESS_SESSIONS_DIR)) {
    if (entry.path().extension() == ".in") inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

std::string SessionName(const ::testing::TestParamInfo<fs::path>& info) { return CaseName(info.param.stem().string()); }

TEST(SessionFolderTest, HoldsTheSessions) {
  // A wrong folder would otherwise run nothing and pass.
  EXPECT_GE(Sessions().size(), 30u) << CHESS_SESSIONS_DIR;
}

class SessionTest : public ::testing::TestWithParam<fs::path> {};

TEST_P(SessionTest, AnswersByteForByte) {
  const fs::path& input = GetParam();
  fs::path output = input;
  output.replace_extension(".out");
  const std::string expected = ReadFile(output);
  const ProgramRun run = RunProgramOn(CHESS_BINARY, ReadFile(input));
  const std::string actual = WithoutTimesAndNodes(run.output);
  const std::vector<std::string> expectedLines = Lines(expected);
  if (std::find(expectedLines.begin(), expectedLines.end(), kAnyLines) == expectedLines.end()) {
    EXPECT_EQ(actual, expected);
  } else {
    EXPECT_TRUE(Matches(expectedLines, 0, Lines(actual), 0)) << "expected:\n" << expected << "\nactual:\n" << actual;
  }
  EXPECT_EQ(run.status, 0);
}

INSTANTIATE_TEST_SUITE_P(Sessions, SessionTest, ::testing::ValuesIn(Sessions()), SessionName);

// The board program interrupts its engines with SIGINT before each move; the
// program must live through it and answer the next move. Boards that end
// their engines with SIGTERM see a normal end.
TEST(InterruptTest, SurvivesSigint) {
  RunningProgram program;
  ASSERT_TRUE(StartProgram(CHESS_BINARY, &program));
  EXPECT_TRUE(SendText(program, "xboard\nnew\n"));
  EXPECT_EQ(ReadLine(program), kHello);
  EXPECT_TRUE(SendText(program, "e2e4\n"));
  EXPECT_EQ(ReadLine(program), "move e7e5");
  kill(program.pid, SIGINT);
  EXPECT_TRUE(SendText(program, "g1f3\n"));
  EXPECT_EQ(ReadLine(program), "move b8c6");
  kill(program.pid, SIGINT);
  kill(program.pid, SIGTERM);
  EXPECT_EQ(WaitForProgram(&program), 0);
}

}  // namespace
