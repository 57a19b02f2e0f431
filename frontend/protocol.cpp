#include "frontend/protocol.h"

#include <csignal>

#include "engine/search.h"
#include "frontend/board_display.h"
#include "frontend/program.h"
#include "frontend/text_input.h"
#include "model/apply_move.h"
#include "rules/game_end.h"
#include "rules/legality.h"

namespace {

constexpr std::size_t kMoveTextLength = 4;

struct ProtocolGame {
  Board board;
  Move lastMove;
  char turn;
  char engineSide;
  char opponentSide;
};

// A new game: the initial position, White to move, the engine playing Black.
void StartNewGame(ProtocolGame* game) {
  SetUpBoard(&game->board, &game->lastMove);
  game->turn = kWhiteSide;
  game->engineSide = kBlackSide;
  game->opponentSide = kWhiteSide;
}

// After a move by `mover`, announces mate or stalemate.
void ReportGameEnd(std::FILE* out, const ProtocolGame& game, char mover) {
  const int gameEnd = CheckGameEnd(&game.board, game.lastMove);
  if (gameEnd == kCheckmate) {
    std::fputs(mover == kWhiteSide ? "1-0 {White mates}\n" : "0-1 {Black mates}\n", out);
  } else if (gameEnd == kStalemate) {
    std::fputs("1/2-1/2 {Stalemate}\n", out);
  }
}

void PlayMove(std::FILE* out, ProtocolGame* game, Move move) {
  ApplyMove(&game->board, &move, &game->board);
  game->lastMove = move;
  ReportGameEnd(out, *game, game->turn);
  game->turn = OtherSide(game->turn);
}

// Acts on a command word; false when the word is no command.
bool ActOnCommand(const std::string& word, ProtocolGame* game, bool* quit) {
  if (word == "new") {
    StartNewGame(game);
  } else if (word == "quit") {
    *quit = true;
  } else if (word == "white") {
    game->engineSide = kWhiteSide;
    game->opponentSide = kBlackSide;
  } else if (word == "black") {
    game->engineSide = kBlackSide;
    game->opponentSide = kWhiteSide;
  } else if (word == "post" || word == "hard" || word.compare(0, 4, "time") == 0) {
    // Accepted and ignored: the search has a fixed depth and prints nothing.
  } else {
    return false;
  }
  return true;
}

}  // namespace

Move ParseCoordinateMove(const std::string& word, Move lastMove) {
  auto at = [&word](std::size_t i) { return i < word.size() ? word[i] : '\0'; };
  return BuildMove(static_cast<signed char>(at(0) - 'a'), static_cast<signed char>(at(1) - '1'),
                   static_cast<signed char>(at(2) - 'a'), static_cast<signed char>(at(3) - '1'), lastMove);
}

int RunProtocolMode(std::FILE* in, std::FILE* out) {
  // The board program interrupts its engines with SIGINT; this engine has
  // nothing to interrupt, and the default action would end it.
  std::signal(SIGINT, SIG_IGN);
  ProtocolGame game;
  StartNewGame(&game);
  std::string word;
  for (;;) {
    // The engine moves on its turn, unless the game is already over.
    if (game.turn == game.engineSide && CheckGameEnd(&game.board, game.lastMove) == kGameGoesOn) {
      const Move move = ChooseComputerMove(&game.board, game.lastMove, kFullWidthDepth, game.turn);
      std::fputs("move ", out);
      PrintMove(out, move);
      PlayMove(out, &game, move);
      continue;
    }
    if (ReadWord(in, &word) == ReadStatus::kEndOfInput) return kExitSuccess;
    DropChar(in);
    bool quit = false;
    if (ActOnCommand(word, &game, &quit)) {
      if (quit) return kExitSuccess;
      continue;
    }
    if (game.turn != game.opponentSide || word.size() < kMoveTextLength) continue;
    const Move move = ParseCoordinateMove(word, game.lastMove);
    if (!IsLegalMove(move, &game.board, game.lastMove)) continue;
    PlayMove(out, &game, move);
  }
}
