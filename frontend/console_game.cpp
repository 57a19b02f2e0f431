#include "frontend/console_game.h"

#include "engine/search.h"
#include "frontend/board_display.h"
#include "frontend/program.h"
#include "frontend/text_input.h"
#include "model/apply_move.h"
#include "rules/game_end.h"

namespace {

void AskSide(std::FILE* out, const std::string& name) {
  std::fputs("Hi, ", out);
  std::fwrite(name.data(), 1, name.size(), out);
  std::fputs("! What side would you like to control?\nPlease enter W for white or B for black: ", out);
}

// The human's side letter, asked until the answer is W or B in either case.
ReadStatus ReadHumanSide(InputStream* in, std::FILE* out, const std::string& name, char* side) {
  for (;;) {
    AskSide(out, name);
    char answer = 0;
    if (ReadChar(in, &answer) == ReadStatus::kEndOfInput) return ReadStatus::kEndOfInput;
    if (answer == 'W' || answer == 'w' || answer == 'B' || answer == 'b') {
      *side = (answer == 'W' || answer == 'w') ? kWhiteSide : kBlackSide;
      DropChar(in);
      return ReadStatus::kOk;
    }
    if (answer != '\n' && DropLine(in) == ReadStatus::kEndOfInput) return ReadStatus::kEndOfInput;
  }
}

void WaitForEnter(InputStream* in, std::FILE* out) {
  std::fputs("Press enter to exit", out);
  DropChar(in);
}

}  // namespace

int RunConsoleGame(InputStream* in, std::FILE* out, const std::string& name) {
  Board board;
  Move lastMove;
  SetUpBoard(&board, &lastMove);
  char humanSide = kWhiteSide;
  if (ReadHumanSide(in, out, name, &humanSide) == ReadStatus::kEndOfInput) return kExitSuccess;
  const char computerSide = OtherSide(humanSide);

  char turn = kBlackSide;
  for (;;) {
    PrintBoard(out, &board);
    PrintCheckNotices(out, &board, lastMove);
    turn = OtherSide(turn);

    Move move;
    if (turn == computerSide) {
      move = ChooseComputerMove(&board, lastMove, kFullWidthDepth, turn);
    } else {
      int endOfInput = 0;
      move = ReadHumanMove(in, out, &board, lastMove, name, &endOfInput);
      if (endOfInput) return kExitSuccess;
    }
    std::fputs("\n\nYep, that's legal!\nMove made: ", out);
    PrintMove(out, move);
    ApplyMove(&board, &move, &board);
    lastMove = move;

    const int gameEnd = CheckGameEnd(&board, move);
    if (gameEnd == kCheckmate) {
      std::fputs(turn == kWhiteSide ? "\n****White checkmated Black!!****\n" : "\n****Black checkmated White!!****\n",
                 out);
    } else if (gameEnd == kStalemate) {
      std::fputs("\n****The game is drawn due to stalemate!!****\n", out);
    }
    if (gameEnd != kGameGoesOn) {
      PrintBoard(out, &board);
      WaitForEnter(in, out);
      return kExitSuccess;
    }
  }
}
