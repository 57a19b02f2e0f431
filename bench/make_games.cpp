// Writes the games measure: the input of one protocol-mode session (the name
// "xboard", then words) holding games from the initial position, the engine
// against random legal moves on either side and against itself after a
// random opening. The engine's replies are found by playing them here, as
// the program will.
//
//   make_games [games] [plies] [seed] > bench/games.txt
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/protocol_replay.h"
#include "rules/game_end.h"
#include "rules/legality.h"
#include "support/positions.h"

namespace {

enum class Opponent { kRandomBlack, kRandomWhite, kItself };

// Every legal move in generation order, as coordinate words.
std::vector<std::string> LegalWords(const ReplayedGame& game) {
  std::vector<std::string> words;
  for (int from = 0; from < kSquareCount; ++from) {
    for (int to = 0; to < kSquareCount; ++to) {
      const Move move =
          BuildMove(from / kBoardSize, from % kBoardSize, to / kBoardSize, to % kBoardSize, game.lastMove);
      if (IsLegalMove(move, &game.board, game.lastMove)) words.push_back(MoveText(move));
    }
  }
  return words;
}

struct Writer {
  ReplayedGame game;
  int plies = 0;
  void Say(const std::string& word) {
    std::printf("%s\n", word.c_str());
    ReplayWord(word, &game, [this](const ReplayedGame&) { ++plies; });
  }
  bool Over() const { return CheckGameEnd(&game.board, game.lastMove) != kGameGoesOn; }
};

void WriteGame(Opponent opponent, int maxPlies, int randomOpening, std::mt19937* random, Writer* writer) {
  writer->Say("new");
  writer->plies = 0;
  if (opponent == Opponent::kRandomBlack) writer->Say("white");
  // Against itself the engine starts as Black answering random White moves.
  for (int ply = 0; writer->plies < maxPlies && !writer->Over(); ++ply) {
    if (opponent == Opponent::kItself && ply >= randomOpening) {
      writer->Say(writer->game.turn == kWhiteSide ? "white" : "black");
      continue;
    }
    const std::vector<std::string> words = LegalWords(writer->game);
    writer->Say(words[(*random)() % words.size()]);
    ++writer->plies;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int games = argc > 1 ? std::atoi(argv[1]) : 48;
  const int maxPlies = argc > 2 ? std::atoi(argv[2]) : 60;
  const unsigned seed = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 20261209u;
  std::mt19937 random(seed);
  Writer writer;
  StartReplayedGame(&writer.game);
  std::printf("xboard\n");
  for (int g = 0; g < games; ++g) {
    const Opponent opponent = g % 3 == 0   ? Opponent::kRandomBlack
                              : g % 3 == 1 ? Opponent::kRandomWhite
                                           : Opponent::kItself;
    WriteGame(opponent, maxPlies, 1 + g % 4, &random, &writer);
  }
  std::printf("quit\n");
  return 0;
}
