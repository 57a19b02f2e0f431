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

#include "frontend/protocol.h"
#include "rules/game_end.h"
#include "rules/legality.h"
#include "support/positions.h"

namespace {

enum class Opponent { kRandomBlack, kRandomWhite, kItself };

// Writes each word and feeds it to the program's protocol reader, the
// engine answering as it does in the program.
struct Writer {
  ProtocolSession session = NewProtocolSession();
  InputStream input;
  std::FILE* replies = std::tmpfile();
  int plies = 0;
  void Say(const std::string& word) {
    std::printf("%s\n", word.c_str());
    Feed(&input, word + "\n");
    ReadActAndAnswer(&input, replies, &session, [this](const GameSession&) { ++plies; });
  }
  bool Over() const { return GameEnd(session.game) != kGameGoesOn; }
};

void WriteGame(Opponent opponent, int maxPlies, int randomOpening, std::mt19937* random, Writer* writer) {
  writer->Say("new");
  writer->plies = 0;
  if (opponent == Opponent::kRandomBlack) writer->Say("white");
  // Against itself the engine starts as Black answering random White moves.
  for (int ply = 0; writer->plies < maxPlies && !writer->Over(); ++ply) {
    if (opponent == Opponent::kItself && ply >= randomOpening) {
      writer->Say(SideToMove(writer->session.game) == kWhiteSide ? "white" : "black");
      continue;
    }
    const Position& position = writer->session.game.position;
    const std::vector<Move> moves = LegalMoves(&position.board, position.lastMove);
    writer->Say(MoveText(moves[(*random)() % moves.size()]));
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
