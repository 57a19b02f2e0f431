// Writes the golden record of the computer's choices: for positions reached
// by play (the engine against itself and against random legal moves, from a
// fixed seed), the move chosen, its score, the evaluation from both sides and
// the number of legal moves; then a 40-ply game of the engine against itself.
// Every search is made at one full-width depth (2 unless given), which also
// plays the engine's moves of the games; `plies` shortens the games.
// Usage: make_golden [seed [depth [plies]]] > search_golden.txt
//        make_golden --sample FILE DEPTH EVERY [PIECES [COUNT]] > search_golden_depthN.txt
//        make_golden --mates FILE DEPTH > search_golden_depthN.txt.new
// The second form searches every EVERY-th position of a golden record file
// (among those with at most PIECES pieces; the first COUNT of them) at DEPTH,
// for depths where the plain search is too slow to play games. The third
// copies a record file made at DEPTH, searching again only the positions
// whose score is a mate, and tells on the error stream how many it searched.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "model/apply_move.h"
#include "reference/reference_evaluation.h"
#include "reference/reference_search.h"
#include "rules/game_end.h"
#include "rules/legality.h"
#include "support/golden_record.h"
#include "support/positions.h"
#include "tests/support/known_positions.h"
#include "tests/support/self_play.h"

namespace {

void Play(Position* position, Move move) {
  ApplyMove(&position->board, &move, &position->board);
  position->lastMove = move;
}

// Searches the position at `depth`, writes its record and returns the chosen move.
Move Record(const Position& position, int depth) {
  const char side = SideToMove(&position.board, position.lastMove);
  SearchReport report{};
  const Move chosen = reference::ChooseComputerMoveReported(&position.board, position.lastMove, depth, side, &report);
  GoldenRecord record;
  record.fen = FenFromPosition(position);
  record.move = MoveText(chosen);
  record.score = report.score;
  record.evalWhite = reference::EvaluatePosition(&position.board, kWhiteSide, position.lastMove);
  record.evalBlack = reference::EvaluatePosition(&position.board, kBlackSide, position.lastMove);
  record.legalMoves = static_cast<int>(LegalMoves(&position.board, position.lastMove).size());
  std::printf("%s\n", FormatGoldenRecord(record).c_str());
  std::fflush(stdout);
  return chosen;
}

constexpr const char* kStartFens[] = {
    kStartFen,
    kKiwipete,
    kRookEndgame,
    kPromotions,
    kPromotionByCapture,
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
    "8/8/4k3/8/2K5/8/3Q4/8 w - - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
    "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1",
};

// Positions with a mate, a stalemate, castling or en passant to be found.
constexpr const char* kChosenFens[] = {
    "k7/7Q/1K6/8/8/8/8/8 w - - 0 1",
    "7k/5K2/8/6Q1/8/8/8/8 w - - 0 1",
    "8/8/8/8/8/1k6/7q/K7 b - - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",
    "k7/8/1K6/8/8/8/8/1Q6 w - - 0 1",
    "7k/8/6K1/8/8/8/8/5R2 w - - 0 1",
    "r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - 0 1",
    "r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R b KQkq - 0 1",
    "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
    "4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1",
    kEnPassantF6,
    "7k/8/8/8/8/8/r7/K6r w - - 0 1",
};

constexpr int kMaxSample = 1000000;

// Every `every`-th position of the golden record file at `path` with at most
// `mostPieces` pieces, the first `count` of them, searched at `depth`.
int Sample(const char* path, int depth, int every, int mostPieces, int count) {
  std::ifstream in(path);
  if (!in || depth < 1 || every < 1) return 2;
  std::printf("# every %d-th position with at most %d pieces of %s at depth %d", every, mostPieces, path, depth);
  std::printf(count < kMaxSample ? ", the first %d\n" : "\n", count);
  std::string line;
  for (int index = 0; index < count * every && std::getline(in, line);) {
    GoldenRecord record;
    Position position;
    if (line == "# self-play") break;
    if (line.empty() || line[0] == '#' || !ParseGoldenRecord(line, &record)) continue;
    if (!PositionFromFen(record.fen, &position)) continue;
    const auto pieces = std::count_if(std::begin(position.board.squares), std::end(position.board.squares),
                                      [](char letter) { return letter != kEmptySquare; });
    if (pieces <= mostPieces && index++ % every == 0) Record(position, depth);
  }
  return 0;
}

// A score no position reaches without a mate in the tree.
constexpr int kLeastMateScore = 50000;

int SearchMatesAgain(const char* path, int depth) {
  std::ifstream in(path);
  if (!in || depth < 1) return 2;
  int searched = 0;
  for (std::string line; std::getline(in, line);) {
    GoldenRecord record;
    Position position;
    if (line.empty() || line[0] == '#' || !ParseGoldenRecord(line, &record) ||
        std::abs(record.score) < kLeastMateScore || !PositionFromFen(record.fen, &position)) {
      std::printf("%s\n", line.c_str());
      continue;
    }
    Record(position, depth);
    ++searched;
  }
  std::fprintf(stderr, "%d positions with a mate searched again\n", searched);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--mates") return SearchMatesAgain(argv[2], std::atoi(argv[3]));
  if (argc >= 5 && std::string(argv[1]) == "--sample") {
    return Sample(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), argc > 5 ? std::atoi(argv[5]) : kSquareCount,
                  argc > 6 ? std::atoi(argv[6]) : kMaxSample);
  }
  const unsigned seed = argc > 1 ? static_cast<unsigned>(std::stoul(argv[1])) : 20261208u;
  const int depth = argc > 2 ? std::atoi(argv[2]) : kFullWidthDepth;
  const int pliesPerGame = argc > 3 ? std::atoi(argv[3]) : 20;
  std::mt19937 random(seed);
  std::printf(depth == kFullWidthDepth ? "# seed %u\n" : "# seed %u, depth %d\n", seed, depth);

  for (const char* fen : kChosenFens) {
    Position position;
    PositionFromFen(fen, &position);
    Record(position, depth);
  }

  // Games from each start: the engine against random moves, with the engine
  // on either side, and the engine against itself, recording every search.
  int game = 0;
  for (const char* fen : kStartFens) {
    for (int mode = 0; mode < 3; ++mode, ++game) {
      Position position;
      PositionFromFen(fen, &position);
      for (int ply = 0; ply < pliesPerGame; ++ply) {
        const std::vector<Move> moves = LegalMoves(&position.board, position.lastMove);
        if (moves.empty()) break;
        const bool whiteToMove = SideToMove(&position.board, position.lastMove) == kWhiteSide;
        const bool engineMoves = mode == 2 || (mode == 0) == whiteToMove;
        Play(&position, engineMoves ? Record(position, depth) : moves[random() % moves.size()]);
      }
    }
  }

  // The engine against itself from the initial position.
  std::printf("# self-play\n");
  PlayAgainstItself(kSelfPlayPlies, [depth](const Position& position) { return Record(position, depth); });
  return 0;
}
