#include "bench/protocol_replay.h"

#include "engine/search.h"
#include "frontend/protocol.h"
#include "model/apply_move.h"
#include "rules/game_end.h"
#include "rules/legality.h"

namespace {

constexpr std::size_t kMoveTextLength = 4;

void Play(ReplayedGame* game, Move move) {
  ApplyMove(&game->board, &move, &game->board);
  game->lastMove = move;
  game->turn = OtherSide(game->turn);
}

void SetEngineSide(ReplayedGame* game, char side) {
  game->engineSide = side;
  game->opponentSide = OtherSide(side);
}

}  // namespace

void StartReplayedGame(ReplayedGame* game) {
  SetUpBoard(&game->board, &game->lastMove);
  game->turn = kWhiteSide;
  SetEngineSide(game, kBlackSide);
}

bool ReplayWord(const std::string& word, ReplayedGame* game, const EngineMoveSeen& seen) {
  if (word == "quit") return false;
  if (word == "new") {
    StartReplayedGame(game);
  } else if (word == "post" || word == "hard" || word.compare(0, 4, "time") == 0) {
    // Accepted and ignored.
  } else if (word == "white" || word == "black") {
    SetEngineSide(game, word == "white" ? kWhiteSide : kBlackSide);
  } else if (game->turn == game->opponentSide && word.size() >= kMoveTextLength) {
    const Move move = ParseCoordinateMove(word, game->lastMove);
    if (IsLegalMove(move, &game->board, game->lastMove)) Play(game, move);
  }
  while (game->turn == game->engineSide && CheckGameEnd(&game->board, game->lastMove) == kGameGoesOn) {
    seen(*game);
    Play(game, ChooseComputerMove(&game->board, game->lastMove, kFullWidthDepth, game->turn));
  }
  return true;
}
