// Whole console dialogues: the built program is run on a given standard
// input and its standard output is compared byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/run_program.h"
#include "tests/support/test_names.h"

namespace {

ProgramRun RunChess(const std::string& input) {
  return RunProgramOn(CHESS_BINARY, input, ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// The board picture, ranks given from 8 down to 1.
std::string Picture(std::initializer_list<const char*> ranks) {
  std::string picture;
  int number = 8;
  for (const char* rank : ranks) {
    picture += '\n';
    picture += static_cast<char>('0' + number--);
    picture += ' ';
    for (const char* square = rank; *square != '\0'; ++square) {
      picture += ' ';
      picture += *square;
    }
  }
  return picture + "\n\n   A B C D E F G H\n";
}

const std::string kInitial =
    Picture({"rnbqkbnr", "pppppppp", "--------", "--------", "--------", "--------", "PPPPPPPP", "RNBQKBNR"});
const std::string kHello = "Hello, please enter your name: ";
const std::string kAskSide = "Hi, Ann! What side would you like to control?\nPlease enter W for white or B for black: ";
const std::string kAskMove =
    "\n\nPlease enter your move, Ann.\nPlease enter origin square (ex. e2):Please enter target square (ex. e4):";
const std::string kAskOrigin = "\n\nPlease enter your move, Ann.\nPlease enter origin square (ex. e2):";
const std::string kRefused = "\nI'm sorry, but that move is not valid";
const std::string kMoveMade = "\n\nYep, that's legal!\nMove made: ";

TEST(DialogueTest, OpeningWithTheKingsPawn) {
  const ProgramRun run = RunChess("Ann\nW\ne2\ne4\n");
  const std::string afterE4 =
      Picture({"rnbqkbnr", "pppppppp", "--------", "--------", "----P---", "--------", "PPPP-PPP", "RNBQKBNR"});
  const std::string afterE5 =
      Picture({"rnbqkbnr", "pppp-ppp", "--------", "----p---", "----P---", "--------", "PPPP-PPP", "RNBQKBNR"});
  EXPECT_EQ(run.output, kHello + "\n" + kAskSide + kInitial + kAskMove + kMoveMade + "e2e4\n" + afterE4 + kMoveMade +
                            "e7e5\n" + afterE5 + kAskOrigin);
  EXPECT_EQ(run.status, 0);
}

TEST(DialogueTest, RefusedEntryIsAskedAgain) {
  const ProgramRun run = RunChess("Ann\nW\ne2\ne5\n");
  EXPECT_EQ(run.output, kHello + "\n" + kAskSide + kInitial + kAskMove + kRefused + kInitial + kAskOrigin);
  EXPECT_EQ(run.status, 0);
}

struct EntryCase {
  const char* name;
  const char* input;
  bool accepted;  // the entry is taken as e2 to e4
};

// Printed by name: the padding of the record is no business of the test.
void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

class EntryTest : public ::testing::TestWithParam<EntryCase> {};

// How typed squares are read: the file letter in either case, the rank as an
// integer with optional sign, in decimal, octal or hexadecimal.
TEST_P(EntryTest, ReadsSquares) {
  const EntryCase& c = GetParam();
  const ProgramRun run = RunChess(std::string("Ann\nW\n") + c.input);
  const bool accepted = run.output.find(kMoveMade + "e2e4\n") != std::string::npos;
  EXPECT_EQ(accepted, c.accepted) << c.name;
  EXPECT_EQ(run.output.find(kRefused) == std::string::npos, c.accepted) << c.name;
  EXPECT_EQ(run.status, 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EntryTest,
    ::testing::Values(EntryCase{"lower case", "e2\ne4\n", true}, EntryCase{"upper case", "E2\nE4\n", true},
                      EntryCase{"signed rank", "e+2\ne4\n", true}, EntryCase{"leading zero", "e02\ne04\n", true},
                      EntryCase{"hexadecimal", "e0x2\ne0x4\n", true}, EntryCase{"no such file", "i2\ne4\n", false},
                      EntryCase{"no such rank", "e9\ne4\n", false}, EntryCase{"rank zero", "e0\ne4\n", false},
                      EntryCase{"negative rank", "e-1\ne4\n", false}, EntryCase{"minus zero", "e-0\ne4\n", false},
                      EntryCase{"sign alone", "e+\ne4\n", false}, EntryCase{"unreadable rank", "ex\ne4\n", false},
                      EntryCase{"huge rank", "e99999999999\ne4\n", false},
                      EntryCase{"rank past the integers", "e99999999999999999999999\ne4\n", false},
                      EntryCase{"empty origin", "e3\ne4\n", false},
                      EntryCase{"black piece on white's turn", "e7\ne5\n", false}),
    NamedCase());

TEST(DialogueTest, UnreadableRankThenALegalMove) {
  const ProgramRun run = RunChess("Ann\nW\nex\ne4\ne2\ne4\n");
  EXPECT_EQ(run.output.substr(0, (kHello + "\n" + kAskSide + kInitial + kAskMove + kRefused + kInitial).size()),
            kHello + "\n" + kAskSide + kInitial + kAskMove + kRefused + kInitial);
  EXPECT_NE(run.output.find(kMoveMade + "e2e4\n"), std::string::npos);
}

struct EndOfInputCase {
  const char* name;
  const char* input;
  const char* outputEnd;  // what the output ends with
};

class EndOfInputTest : public ::testing::TestWithParam<EndOfInputCase> {};

// End of input at any prompt ends the program at once, with status 0.
TEST_P(EndOfInputTest, EndsAtOnce) {
  const EndOfInputCase& c = GetParam();
  const ProgramRun run = RunChess(c.input);
  EXPECT_EQ(run.status, 0) << c.name;
  const std::string end = c.outputEnd;
  ASSERT_GE(run.output.size(), end.size()) << c.name;
  EXPECT_EQ(run.output.substr(run.output.size() - end.size()), end) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Prompts, EndOfInputTest,
    ::testing::Values(
        EndOfInputCase{"name", "", "Hello, please enter your name: "},
        EndOfInputCase{"name of blanks", "  \n \n", "Hello, please enter your name: "},
        EndOfInputCase{"side", "Ann\n", "Please enter W for white or B for black: "},
        EndOfInputCase{"side, after an invalid answer", "Ann\nxyz", "Please enter W for white or B for black: "},
        EndOfInputCase{"origin square", "Ann\nW\n", "Please enter origin square (ex. e2):"},
        EndOfInputCase{"origin rank", "Ann\nW\ne", "Please enter origin square (ex. e2):"},
        EndOfInputCase{"target square", "Ann\nW\ne2\n", "Please enter target square (ex. e4):"},
        EndOfInputCase{"target without line end", "Ann\nW\ne2\ne", "Please enter target square (ex. e4):"},
        EndOfInputCase{"press enter", "Ann\nW\nf2\nf3\ng2\ng4\nh2\nh3\n", "Press enter to exit"}),
    NamedCase());

TEST(DialogueTest, InvalidSideAnswersAskAgain) {
  const ProgramRun run = RunChess("Ann\nx\n\nwhite\nw\n");
  // "x" and its line, the empty line, then "white" is read as w: the rest of
  // that line stays in the input and is read as the origin square.
  EXPECT_EQ(run.output.substr(0, kHello.size() + 1 + 3 * kAskSide.size() + kInitial.size()),
            kHello + "\n" + kAskSide + kAskSide + kAskSide + kInitial);
}

TEST(DialogueTest, SideAnswerInLowerCase) {
  const ProgramRun run = RunChess("Ann\nb\n");
  EXPECT_EQ(run.output.substr(0, (kHello + "\n" + kAskSide + kInitial + kMoveMade).size()),
            kHello + "\n" + kAskSide + kInitial + kMoveMade);
}

TEST(DialogueTest, NameIsOneWord) {
  const ProgramRun run = RunChess("Ann Lee\nW\n");
  // "Lee" is read as the side answer, refused, and its line thrown away.
  EXPECT_EQ(run.output, kHello + "\n" + kAskSide + kAskSide + kInitial + kAskOrigin);
}

TEST(DialogueTest, VeryLongNameIsGreetedWhole) {
  const std::string name(100000, 'n');
  const ProgramRun run = RunChess(name + "\n");
  EXPECT_EQ(run.output, kHello + "\nHi, " + name +
                            "! What side would you like to control?\nPlease enter W for white or B for black: ");
  EXPECT_EQ(run.status, 0);
}

TEST(DialogueTest, GarbageBytesAreRefused) {
  std::string input = "Ann\nW\n";
  for (int byte = 0; byte < 256; ++byte) {
    if (byte != '\n') input += static_cast<char>(byte);
  }
  input += "\n\xff\x80\n";
  const ProgramRun run = RunChess(input);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find(kRefused), std::string::npos);
}

TEST(DialogueTest, OtherNamesStartAConsoleGame) {
  for (const char* name : {"Xboard", "xboard2"}) {
    const ProgramRun run = RunChess(std::string(name) + "\n");
    EXPECT_EQ(run.output, kHello + "\nHi, " + name +
                              "! What side would you like to control?\nPlease enter W for white or B for black: ");
  }
}

// Whole games to the end, from either side.
TEST(DialogueTest, ComputerMatesTheHuman) {
  const ProgramRun run = RunChess("Ann\nW\nf2\nf3\ng2\ng4\nh2\nh3\n\n");
  const std::string mated =
      Picture({"rnb-kbnr", "ppp--ppp", "--------", "---pp---", "------Pq", "-----P-P", "PPPPP---", "RNBQKBNR"});
  const std::string ending = kMoveMade + "d8h4\n\n****Black checkmated White!!****\n" + mated + "Press enter to exit";
  ASSERT_GE(run.output.size(), ending.size());
  EXPECT_EQ(run.output.substr(run.output.size() - ending.size()), ending);
  EXPECT_EQ(run.status, 0);
}

TEST(DialogueTest, ComputerPlaysWhiteAndMates) {
  const ProgramRun run = RunChess("Bob\nB\nf7\nf6\ng7\ng5\n\n");
  EXPECT_EQ(run.output.substr(0, kHello.size() + 1), kHello + "\n");
  const std::string mated =
      Picture({"rnbqkbnr", "ppppp--p", "-----p--", "------pQ", "---PP---", "--------", "PPP--PPP", "RNB-KBNR"});
  const std::string ending = kMoveMade + "d1h5\n\n****White checkmated Black!!****\n" + mated + "Press enter to exit";
  ASSERT_GE(run.output.size(), ending.size());
  EXPECT_EQ(run.output.substr(run.output.size() - ending.size()), ending);
  EXPECT_EQ(run.status, 0);
}

TEST(DialogueTest, CheckIsAnnouncedAfterTheBoard) {
  const ProgramRun run = RunChess("Ann\nW\ne2\ne4\nd1\nh5\nh5\nf7\n");
  const std::string checked =
      Picture({"r-bqkbnr", "pppp-Qpp", "--n-----", "----p---", "----P---", "--------", "PPPP-PPP", "RNB-KBNR"});
  const std::string expected = kMoveMade + "h5f7\n" + checked + "\nCheck!" + kMoveMade + "e8f7\n";
  EXPECT_NE(run.output.find(expected), std::string::npos);
}

}  // namespace
