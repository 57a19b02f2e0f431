// Console games planned so that every spelling of every square is typed: the
// built program is run on them and must report each move as planned. (The
// other whole dialogues are session scripts, tests/sessions/console_*.)
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
#include "tests/support/console_texts.h"
#include "tests/support/run_program.h"

namespace {

ProgramRun RunChess(const std::string& input) { return RunProgramOn(CHESS_BINARY, input); }

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

}  // namespace
