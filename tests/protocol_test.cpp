// Scripted sessions of the protocol a graphical chess board speaks: the
// built program is run on the words the board would send, and its standard
// output is compared byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/test_names.h"

namespace {

const std::string kHello = "Hello, please enter your name: \n";
const std::string kFeatures =
    "feature myname=\"chess\" variants=\"normal\" setboard=1 ping=1 usermove=1 san=0 colors=0 sigint=0 analyze=0 "
    "draw=0 reuse=1 done=1\n";

const std::string kUciHello = kHello +
                              "id name chess\nid author The chess developers\n"
                              "option name Skill Level type spin default 2 min 1 max 20\nuciok\n";

// Thinking lines and info lines with their time and node count as T and N:
// the time is the machine's, the count the search's own business.
std::string WithoutTimesAndNodes(const std::string& output) {
  auto isNumber = [](const std::string& word) {
    return word.find_first_not_of("-0123456789") == std::string::npos && !word.empty();
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

ProgramRun RunSession(const std::string& input) {
  return RunProgramOn(CHESS_BINARY, "xboard\n" + input,
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// "move " lines for the program's moves given as "e7e5 b8c6 ...".
std::string MoveLines(const std::string& moves) {
  std::istringstream words(moves);
  std::string move;
  std::string lines;
  while (words >> move) lines += "move " + move + "\n";
  return lines;
}

// The opponent's moves, one word a line.
std::string Words(const std::string& moves) {
  std::istringstream words(moves);
  std::string word;
  std::string lines;
  while (words >> word) lines += word + "\n";
  return lines;
}

struct SessionCase {
  const char* name;
  std::string input;     // what the board sends after "xboard"
  std::string expected;  // what the program writes after its greeting
};

void PrintTo(const SessionCase& c, std::ostream* os) { *os << c.name; }

class SessionTest : public ::testing::TestWithParam<SessionCase> {};

TEST_P(SessionTest, AnswersByteForByte) {
  const SessionCase& c = GetParam();
  const ProgramRun run = RunSession(c.input);
  EXPECT_EQ(WithoutTimesAndNodes(run.output), kHello + c.expected) << c.name;
  EXPECT_EQ(run.status, 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, SessionTest,
    ::testing::Values(
        SessionCase{"typical start", "new\ne2e4\ng1f3\n", "move e7e5\nmove b8c6\n"},
        SessionCase{"white while White is to move", "new\nwhite\n", "move d2d4\n"},
        SessionCase{"black at the start changes nothing", "black\n", ""},
        SessionCase{"black then white, as the board does for a White engine",
                    "new\nforce\ncomputer\nblack\ntime 6000\notim 6000\nwhite\ngo\nd7d5\n", "move d2d4\nmove b1c3\n"},
        SessionCase{
            "illegal and malformed moves are dropped",
            "e7e5\ne2e5\ne2e2\ne3e4\nz9z9\ne2\ne2e\nE2E4\ni2i4\ne0e4\ne2e9\n\x01\x02\x03\x04\n\xff\xfe\xfd\xfc\n"
            "e2e4\n",
            "move e7e5\n"},
        SessionCase{"moves out of turn are dropped", "new\nwhite\nd2d4\ne2e4\nd7d5\n", "move d2d4\nmove b1c3\n"},
        SessionCase{"quit ends the session at once", "new\nquit\ne2e4\n", ""},
        SessionCase{"time words of any suffix", "timeout\ntimes\ne2e4\n", "move e7e5\n"},
        SessionCase{"new in mid-game starts again with the program as Black", "new\nwhite\nd7d5\nnew\ne2e4\n",
                    "move d2d4\nmove b1c3\nmove e7e5\n"},
        SessionCase{"new after a game the program played White", "new\nwhite\nf7f6\ng7g5\nnew\ne2e4\n",
                    "move d2d4\nmove e2e4\nmove d1h5\n1-0 {White mates}\nmove e7e5\n"},
        SessionCase{"the program mates as Black", "new\nf2f3\ng2g4\nh2h3\n",
                    "move d7d5\nmove e7e5\nmove d8h4\n0-1 {Black mates}\n"},
        SessionCase{"the program mates as White", "new\nwhite\nf7f6\ng7g5\n",
                    "move d2d4\nmove e2e4\nmove d1h5\n1-0 {White mates}\n"},
        SessionCase{"nothing more after the mate", "new\nwhite\nf7f6\ng7g5\ne8f7\nblack\nwhite\na7a6\n",
                    "move d2d4\nmove e2e4\nmove d1h5\n1-0 {White mates}\n"}),
    NamedCase());

// Sessions of a board that announces version 2: the feature line, replies to
// what it sends, and the words it uses to take moves back and set positions.
INSTANTIATE_TEST_SUITE_P(
    Version2, SessionTest,
    ::testing::Values(
        SessionCase{"xboard's start-up words, thinking shown, then the game is over",
                    "protover 2\naccepted sigint\nnew\nrandom\nlevel 40 5 0\npost\nhard\ntime 300\notim 991\n"
                    "usermove e2e4\nresult 1-0 {White mates}\nusermove g1f3\nping 7\n",
                    kFeatures + "2 -30 T N e7e5\nmove e7e5\npong 7\n"},
        SessionCase{"gnome-chess with the person as Black: go, then force and the move before each go",
                    "random\ngo\nforce\ne7e5\ngo\nforce\nundo\nundo\nd7d5\ngo\n", "move d2d4\nmove b1c3\nmove b1c3\n"},
        SessionCase{"Edit Game and Back twice, then the engine plays the side to move",
                    "protover 2\nnew\nforce\nusermove e2e4\nusermove e7e5\nusermove g1f3\nundo\nundo\ngo\nping 4\n",
                    kFeatures + "move e7e5\npong 4\n"},
        SessionCase{"Retract Move takes back two half-moves",
                    "protover 2\nnew\nusermove e2e4\nusermove g1f3\nremove\n"
                    "usermove d2d4\n",
                    kFeatures + "move e7e5\nmove b8c6\nmove b8c6\n"},
        SessionCase{"playother: the engine takes the side not to move",
                    "protover 2\nnew\nforce\nusermove e2e4\nplayother\nusermove e7e5\n", kFeatures + "move b1c3\n"},
        SessionCase{"a book's positions one or two moves apart become moves that can be taken back",
                    "protover 2\nnew\nforce\nsetboard rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1\n"
                    "setboard rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2\nundo\nundo\nundo\n"
                    "undo\n",
                    kFeatures + "Error (no move to take back): undo\n"},
        SessionCase{"Edit Position with Black to move, then play",
                    "protover 2\nnew\nforce\nsetboard 4k3/8/8/8/8/8/8/R3K3 b Q - 0 1\ngo\nusermove e1c1\n",
                    kFeatures + "move e8e7\nmove e7e8\n"},
        SessionCase{"the older edit set-up, with castling where king and rook are at home",
                    "protover 2\nforce\nedit\n#\nKe1\nRh1\nc\nKe8\nPa7\nxa7\n.\ngo\n", kFeatures + "move e1g1\n"},
        SessionCase{
            "positions that cannot be played are refused and the game kept",
            "protover 2\nforce\nsetboard\nsetboard 8/8/8/8 w\nsetboard 8/8/8/8/8/8/8/8 w - - 0 1\n"
            "setboard 4k3/8/8/8/8/8/8/4K2P w - - 0 1\nsetboard 4k3/4R3/8/8/8/8/8/4K3 w - - 0 1\n"
            "setboard 4k3/8/8/8/8/8/8/4K3 x - - 0 1\nsetboard " +
                std::string(10000, 'p') + "\nedit\n#\n.\ngo\n",
            kFeatures +
                "tellusererror Illegal position\ntellusererror Illegal position\ntellusererror Illegal position\n"
                "tellusererror Illegal position\ntellusererror Illegal position\ntellusererror Illegal position\n"
                "tellusererror Illegal position\ntellusererror Illegal position\nmove d2d4\n"},
        SessionCase{"promotion to the piece named, and the engine's own promotion with its letter",
                    "protover 2\nforce\nsetboard 8/1P6/8/8/8/8/k7/4K3 w - - 0 1\nusermove b7b8n\nusermove a2a3\n"
                    "usermove b8c6\nsetboard k7/7P/8/8/8/8/8/K7 w - - 0 1\ngo\n",
                    kFeatures + "move h7h8q\n"},
        SessionCase{"a mate found is shown as 100000 and its plies; hint; go after the mate",
                    "protover 2\npost\nforce\nsetboard 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1\nhint\ngo\ngo\nhint\n",
                    kFeatures + "Hint: a1a8\n2 100001 T N a1a8\nmove a1a8\n1-0 {White mates}\n"},
        SessionCase{"the depth the board asks for, until the next new",
                    "protover 2\nsd 4\npost\nusermove e2e4\nnew\n"
                    "usermove d2d4\n",
                    kFeatures + "4 -30 T N b8c6\nmove b8c6\n2 -25 T N d7d5\nmove d7d5\n"},
        SessionCase{
            "refusals of moves and words that make no sense",
            "protover 2\nundo\nremove\nusermove\nusermove e2e5\ne2e4x\nfoo\nping\nsd x\nusermove e2e4\nremove\n",
            kFeatures + "Error (no move to take back): undo\nError (no two moves to take back): remove\n"
                        "Error (no move given): usermove\nIllegal move: e2e5\nError (unknown command): e2e4x\n"
                        "Error (unknown command): foo\npong\nmove e7e5\n"}),
    NamedCase());

// UCI sessions: the first word "uci" chooses the protocol and is answered.
class UciSessionTest : public ::testing::TestWithParam<SessionCase> {};

TEST_P(UciSessionTest, AnswersByteForByte) {
  const SessionCase& c = GetParam();
  const ProgramRun run =
      RunProgramOn(CHESS_BINARY, "uci\n" + c.input, ::testing::UnitTest::GetInstance()->current_test_info()->name());
  EXPECT_EQ(WithoutTimesAndNodes(run.output), kUciHello + c.expected) << c.name;
  EXPECT_EQ(run.status, 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Uci, UciSessionTest,
    ::testing::Values(SessionCase{"gnome-chess's start and turns, the same moves as in the xboard protocol",
                                  "ucinewgame\nisready\nposition startpos moves e2e4\ngo wtime 30000 btime 30000\n"
                                  "position startpos moves e2e4 e7e5 g1f3\ngo depth 2\nquit\ngo\n",
                                  "readyok\ninfo depth 2 score cp -30 nodes N time T pv e7e5\nbestmove e7e5\n"
                                  "info depth 2 score cp -30 nodes N time T pv b8c6\nbestmove b8c6\n"},
                      SessionCase{"the depth from go and from the skill level, brought into 1 to 6",
                                  "position startpos moves e2e4\ngo depth 4\nsetoption name Skill Level value 99\n"
                                  "setoption name Skill Level value x\nsetoption name Hash value 1\ngo depth 0\ngo\n",
                                  "info depth 4 score cp -30 nodes N time T pv b8c6\nbestmove b8c6\n"
                                  "info depth 1 score cp 0 nodes N time T pv d7d5\nbestmove d7d5\n"
                                  "info depth 6 score cp -30 nodes N time T pv b8c6\nbestmove b8c6\n"},
                      SessionCase{"promotions carry their piece both ways",
                                  "position fen 8/1P6/8/8/8/8/k7/4K3 w - - 0 1 moves b7b8n a2a3 b8c6\ngo depth 1\n"
                                  "position fen k7/7P/8/8/8/8/8/K7 w - - 0 1\ngo\n",
                                  "info depth 1 score cp -313 nodes N time T pv a3a2\nbestmove a3a2\n"
                                  "info depth 2 score cp 904 nodes N time T pv h7h8q\nbestmove h7h8q\n"},
                      SessionCase{"a mate in moves; infinite holds the answer until stop",
                                  "position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1\ngo infinite\nisready\nstop\nstop\n",
                                  "info depth 2 score mate 1 nodes N time T pv a1a8\nreadyok\nbestmove a1a8\n"},
                      SessionCase{
                          "refusals keep the position before the command; no legal move is 0000",
                          "position startpos moves e2e4\nposition startpos moves e2e4 e7e5 e2e4\nposition fen 8/8 w\n"
                          "position fen 4k3/4R3/8/8/8/8/8/4K3 w - - 0 1\nposition\njoho isready\nbogus\ngo\n"
                          "position fen R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1\ngo\n",
                          "info string illegal move e2e4\ninfo string illegal position 8/8 w\n"
                          "info string illegal position 4k3/4R3/8/8/8/8/8/4K3 w - - 0 1\n"
                          "info string position needs startpos or fen\nreadyok\n"
                          "info depth 2 score cp -30 nodes N time T pv e7e5\nbestmove e7e5\nbestmove 0000\n"}),
    NamedCase());

// Longer games in which the opponent (a deeper search) wins or stalemates
// the program; the opponent castles with the king's move and once sends a
// promotion with its piece letter.
TEST(GameTest, OpponentMatesAsWhiteAfterCastling) {
  const std::string opponent =
      "e2e4 d2d4 c1e3 e3d4 d1d4 d4e5 b1c3 f1c4 e1c1 c3b5 b5c7 e5c7 c7b7 c4b5 b7c8 c8c7 b5c4 g1f3 c7c6 c6d6";
  const ProgramRun run = RunSession("new\n" + Words(opponent) + "e1e2\nwhite\nquit\n");
  EXPECT_EQ(run.output, kHello +
                            MoveLines("e7e5 b8c6 c6d4 e5d4 g8e7 a7a5 b7b6 c8b7 c7c5 d7d5 d8c7 a8c8 d5d4 e7c6 "
                                      "e8e7 e7e6 e6f6 f8e7 e7d6") +
                            "1-0 {White mates}\n");
  EXPECT_EQ(run.status, 0);
}

constexpr const char* kBlackOpening =
    "d7d5 b8c6 c8e6 e6g4 g8f6 b7c6 g4f5 f5g6 f6d7 f7f6 g7f6 e7e5 f6e5 d5d4 a8b8 f8c5 b8b4 g6f7 f7c4 d4d3 d3e2 ";
constexpr const char* kWhiteReplies =
    "d2d4 b1c3 c1f4 g1f3 f3e5 e5c6 f2f3 g2g4 g4g5 f1g2 g5f6 e2e4 d4e5 f4g3 c3e2 e1g1 b2b4 d1d3 a2a3 d3d1 g3f2 f2c5 "
    "f1d1 d1d2 f3f4 c5d4 a1d1 d2e2 d1e1 g1f1 f1f2 f2e3 e3d4 a3a4 ";

TEST(GameTest, OpponentMatesAsBlackAfterPromotingWithALetter) {
  const std::string opponent =
      std::string(kBlackOpening) + "e2d1q b4a4 d8g5 e5f4 f4f3 c4e2 a4d4 d4d1 d1e1 g5g2 g2e2 e2c2 e1e4";
  const ProgramRun run = RunSession("new\nwhite\n" + Words(opponent));
  EXPECT_EQ(run.output, kHello + MoveLines(kWhiteReplies) + "0-1 {Black mates}\n");
}

TEST(GameTest, OpponentStalemates) {
  const std::string opponent =
      std::string(kBlackOpening) +
      "e2d1 b4a4 d8g5 e5f4 f4f3 c4e2 a4d4 d4d1 d1e1 g5g2 g2e2 e2c2 a7a5 d7b6 b6a4 a4b2 a5a4 h7h5";
  const ProgramRun run = RunSession("new\nwhite\n" + Words(opponent));
  EXPECT_EQ(run.output,
            kHello + MoveLines(std::string(kWhiteReplies) + "e4e5 e5e6 e6e7 h2h3 h3h4") + "1/2-1/2 {Stalemate}\n");
}

// The board program interrupts its engines with SIGINT before each move; the
// program must live through it and answer the next move. Boards that end
// their engines with SIGTERM see a normal end.
TEST(InterruptTest, SurvivesSigint) {
  int toProgram[2];
  int fromProgram[2];
  ASSERT_EQ(pipe(toProgram), 0);
  ASSERT_EQ(pipe(fromProgram), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(toProgram[0], STDIN_FILENO);
    dup2(fromProgram[1], STDOUT_FILENO);
    close(toProgram[1]);
    close(fromProgram[0]);
    execl(CHESS_BINARY, CHESS_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(toProgram[0]);
  close(fromProgram[1]);
  auto send = [&](const std::string& text) {
    ASSERT_EQ(write(toProgram[1], text.data(), text.size()), (ssize_t)text.size());
  };
  auto readLine = [&]() {
    std::string line;
    char c = 0;
    while (read(fromProgram[0], &c, 1) == 1 && c != '\n') line += c;
    return line;
  };
  send("xboard\nnew\n");
  EXPECT_EQ(readLine(), "Hello, please enter your name: ");
  send("e2e4\n");
  EXPECT_EQ(readLine(), "move e7e5");
  kill(child, SIGINT);
  send("g1f3\n");
  EXPECT_EQ(readLine(), "move b8c6");
  kill(child, SIGINT);
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  close(toProgram[1]);
  close(fromProgram[0]);
}

}  // namespace
