// Whole console dialogues: the built program is run on a given standard
// input and its standard output is compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "engine/move_generation.h"
#include "engine/search.h"
#include "model/apply_move.h"
#include "rules/game_end.h"
#include "rules/legality.h"
#include "support/positions.h"
#include "tests/support/run_program.h"
#include "tests/support/test_names.h"

namespace {

ProgramRun RunChess(const std::string& input) { return RunProgramOn(CHESS_BINARY, input); }

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
    ::testing::Values(EntryCase{"signed rank", "e+2\ne4\n", true}, EntryCase{"leading zero", "e02\ne04\n", true},
                      EntryCase{"hexadecimal", "e0x2\ne0x4\n", true}, EntryCase{"no such file", "i2\ne4\n", false},
                      EntryCase{"no such rank", "e9\ne4\n", false}, EntryCase{"rank zero", "e0\ne4\n", false},
                      EntryCase{"negative rank", "e-1\ne4\n", false}, EntryCase{"minus zero", "e-0\ne4\n", false},
                      EntryCase{"sign alone", "e+\ne4\n", false}, EntryCase{"unreadable rank", "ex\ne4\n", false},
                      EntryCase{"huge rank", "e99999999999\ne4\n", false},
                      EntryCase{"rank past the integers", "e99999999999999999999999\ne4\n", false},
                      EntryCase{"empty origin", "e3\ne4\n", false},
                      EntryCase{"black piece on white's turn", "e7\ne5\n", false}),
    NamedCase());

// A game planned for the console: what the human types, and every move the
// program must report, the computer's included.
struct PlannedGame {
  std::string input;
  std::string movesMade;
};

// How the human types the square: a spelling not typed yet, lower case first.
std::string Spelling(int square, const std::set<std::string>& untyped) {
  const char file = static_cast<char>('a' + square / kBoardSize);
  const char rank = static_cast<char>('1' + square % kBoardSize);
  const std::string lower = {file, rank};
  const std::string upper = {static_cast<char>(file - 'a' + 'A'), rank};
  return untyped.count(lower) != 0 || untyped.count(upper) == 0 ? lower : upper;
}

int NewSpellings(GeneratedMove move, const std::set<std::string>& untyped) {
  return static_cast<int>(untyped.count(Spelling(move.from, untyped)) + untyped.count(Spelling(move.to, untyped)));
}

// What a move of `side` is worth to the plan: the spellings it types, then
// the most that a next move of the same side could type.
int PlanValue(const Board& board, Move last, Side side, GeneratedMove candidate, const std::set<std::string>& untyped) {
  std::set<std::string> after = untyped;
  after.erase(Spelling(candidate.from, untyped));
  after.erase(Spelling(candidate.to, untyped));
  Move move = ToMove(candidate, last);
  Board next;
  ApplyMove(&board, &move, &next);
  MoveList followers;
  GenerateMoves(&next, move, side, &followers);
  int further = 0;
  for (int i = 0; i < followers.count; ++i) further = std::max(further, NewSpellings(followers.moves[i], after));
  return 4 * NewSpellings(candidate, untyped) + further;
}

// A game in which the human, playing `human`, makes at each turn the first
// legal move of the greatest value to the plan, and the computer answers as
// the program will. It ends when every spelling is typed, when the game is
// over, or after eight human moves in a row that typed nothing new; the
// spellings typed are taken out of `untyped`.
PlannedGame PlanGame(char human, std::set<std::string>* untyped) {
  PlannedGame game{std::string("Ann\n") + human + "\n", ""};
  Board board;
  Move last;
  SetUpBoard(&board, &last);
  int idle = 0;
  while (CheckGameEnd(&board, last) == kGameGoesOn) {
    const char turn = SideToMove(&board, last);
    if (turn == human && (untyped->empty() || idle == 8)) break;
    Move move;
    if (turn == human) {
      MoveList moves;
      GenerateMoves(&board, last, SideOfLetter(turn), &moves);
      int best = -1;
      for (int i = 0; i < moves.count; ++i) {
        const int value = PlanValue(board, last, SideOfLetter(turn), moves.moves[i], *untyped);
        if (value > best) {
          best = value;
          move = ToMove(moves.moves[i], last);
        }
      }
      const std::string origin = Spelling(SquareIndex(move.fromFile, move.fromRank), *untyped);
      const std::string target = Spelling(SquareIndex(move.toFile, move.toRank), *untyped);
      game.input += origin + "\n" + target + "\n";
      const auto typed = untyped->erase(origin) + untyped->erase(target);
      idle = typed == 0 ? idle + 1 : 0;
    } else {
      move = ChooseComputerMove(&board, last, kFullWidthDepth, turn);
    }
    game.movesMade += MoveText(move) + "\n";
    ApplyMove(&board, &move, &board);
    last = move;
  }
  return game;
}

// The moves the program reports, one per line.
std::string MovesMade(const std::string& output) {
  std::string moves;
  for (std::size_t at = output.find(kMoveMade); at != std::string::npos; at = output.find(kMoveMade, at + 1)) {
    moves += output.substr(at + kMoveMade.size(), 5);
  }
  return moves;
}

// Every file letter in either case with every rank names its square: games
// in which each of the 128 spellings is typed in a legal move, and the
// program reports each move as planned. A game the human loses before all
// are typed gives way to a new one, the human taking the other side.
TEST(DialogueTest, EverySquareInEitherCase) {
  std::set<std::string> untyped;
  for (const char* files : {"abcdefgh", "ABCDEFGH"}) {
    for (const char* file = files; *file != '\0'; ++file) {
      for (char rank = '1'; rank <= '8'; ++rank) untyped.insert({*file, rank});
    }
  }
  ASSERT_EQ(untyped.size(), 128u);
  for (int runs = 0; runs < 20 && !untyped.empty(); ++runs) {
    const char human = runs % 2 == 0 ? kWhiteSide : kBlackSide;
    const PlannedGame game = PlanGame(human, &untyped);
    const ProgramRun run = RunChess(game.input);
    EXPECT_EQ(MovesMade(run.output), game.movesMade) << human;
    EXPECT_EQ(run.output.find(kRefused), std::string::npos) << human;
  }
  std::string left;
  for (const std::string& spelling : untyped) left += spelling + " ";
  EXPECT_TRUE(untyped.empty()) << "never typed: " << left;
}

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

TEST(DialogueTest, CheckIsAnnouncedAfterTheBoard) {
  const ProgramRun run = RunChess("Ann\nW\ne2\ne4\nd1\nh5\nh5\nf7\n");
  const std::string checked =
      Picture({"r-bqkbnr", "pppp-Qpp", "--n-----", "----p---", "----P---", "--------", "PPPP-PPP", "RNB-KBNR"});
  const std::string expected = kMoveMade + "h5f7\n" + checked + "\nCheck!" + kMoveMade + "e8f7\n";
  EXPECT_NE(run.output.find(expected), std::string::npos);
}

}  // namespace
