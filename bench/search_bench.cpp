// Times the computer's move choice on a fixed set of positions and over a
// 40-ply game of the engine against itself, side by side with the plain
// search that the choices must equal; also times move-generation counts.
//
//   search_bench                 fixed positions, self-play, perft
//   search_bench --fast          the same without the plain search or perft
//   search_bench --golden FILE   every position of a golden record file
//   search_bench --games FILE [N [M]]
//                                every position where the engine moves in a
//                                protocol-mode session (bench/games.txt),
//                                searched at each depth from 1 to 6; the plain
//                                search at depth 2 on every N-th of them, at
//                                depth 3 on every M-th (none without M)
//   search_bench --depth-in-a-second FILE [N]
//                                the depth completed in one second a move,
//                                on every N-th of those positions (10
//                                without N) and on a set of endings of at
//                                most 6 pieces: per position and the median;
//                                then the mates found in those endings
//                                without pawns, by the search alone and on a
//                                clock, where the mate search comes first
//
// Prints per position the move, milliseconds and search nodes of both
// searches (for the games only the positions where they differ), then
// totals, the speed-up and the peak heap of a search; for the games one line
// per depth.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "engine/search.h"
#include "frontend/protocol.h"
#include "frontend/text_input.h"
#include "model/apply_move.h"
#include "reference/reference_search.h"
#include "rules/game_end.h"
#include "rules/legality.h"
#include "support/golden_record.h"
#include "support/perft.h"
#include "support/positions.h"

// Heap accounting for the whole program: bytes in use and their peak.
namespace {
std::size_t g_heapInUse = 0;
std::size_t g_heapPeak = 0;
}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size + sizeof(std::max_align_t));
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  g_heapInUse += size;
  if (g_heapInUse > g_heapPeak) g_heapPeak = g_heapInUse;
  return static_cast<char*>(block) + sizeof(std::max_align_t);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* pointer) noexcept {
  if (pointer == nullptr) return;
  char* block = static_cast<char*>(pointer) - sizeof(std::max_align_t);
  g_heapInUse -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}
void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }

namespace {

// Openings, middlegames rich in captures, endgames.
constexpr const char* kPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 1",
    "r2qkb1r/ppp1pppp/2n2n2/3p1b2/3P4/2N1BN2/PPP1PPPP/R2QKB1R w KQkq - 0 1",
    "r1b1kbnr/ppp2ppp/2n2q2/3p4/8/1P2P2P/P1P1P1P1/RNBK1BNR b kq - 0 1",
    "r2qk2r/p1p2ppp/2p1pn2/3p1b2/Pb1P4/2N1B3/1PP1PPPP/R2QKB1R w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "2rk1NQ1/p1pp2b1/Bn5r/8/4P3/1pN2Q1p/PPPB1PPP/R3K2R w KQ - 0 1",
    "r3k2r/p1ppqp2/bn2pbN1/3P4/1p2P3/2N2B2/PPPB1PpP/R3K2R b KQkq - 0 1",
    "r3k2r/p1ppqpb1/B4np1/3nN3/8/2B5/PPP2PQP/R4RK1 b kq - 0 1",
    "1r2k2r/p1ppRpb1/B4nN1/8/8/2B5/PPP2PnP/5RK1 b k - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nPP5/BB2P3/q4N2/Pp1P2PP/R2Q1RK1 b kq - 0 1",
    "r3k2r/Pppp1Npp/5nb1/nP6/Bb1PP3/4qN2/Pp3RPP/R2Q2K1 b kq - 0 1",
    "3r3r/Ppppkp1p/1b3nbp/nPP5/B3P3/5N2/PB1P2PP/R2Q1RK1 w - - 0 1",
    "8/1pQp3p/1P2k2p/nP1b1p2/B7/5N2/P2P2PP/R2Q1RK1 w - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "8/2P5/3p4/K5k1/5RP1/4P3/8/7r w - - 0 1",
    "8/2p5/1P6/8/7r/4p1k1/1K4P1/5q2 b - - 0 1",
    "8/4r3/1P1p4/2p5/K1R1Pk2/6P1/8/8 b - - 0 1",
    "8/8/4k3/8/2K5/8/3Q4/8 w - - 0 1",
    "k7/7Q/1K6/8/8/8/8/8 w - - 0 1",
};

struct Timed {
  Move move;
  SearchReport report;
  double milliseconds;
  std::size_t heapPeak;
};

template <typename Search>
Timed Time(const Position& position, int depth, Search search) {
  const char side = SideToMove(&position.board, position.lastMove);
  Timed timed{};
  g_heapPeak = g_heapInUse;
  const std::size_t before = g_heapInUse;
  const auto start = std::chrono::steady_clock::now();
  timed.move = search(&position.board, position.lastMove, depth, side, &timed.report);
  timed.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  timed.heapPeak = g_heapPeak - before;
  return timed;
}

struct Totals {
  double fastMs = 0;
  double plainMs = 0;
  std::int64_t fastNodes = 0;
  std::int64_t plainNodes = 0;
  double slowestFastMs = 0;
  double fastMsWithPlain = 0;  // the engine's time on the positions the plain search also ran
  std::size_t fastHeapPeak = 0;
  std::size_t plainHeapPeak = 0;
  int mismatches = 0;
};

enum class Lines { kEveryPosition, kDifferencesOnly };

// What the games are measured by: every depth from 1 to 6, or the depth
// completed in a second.
enum class Measure { kEveryDepth, kDepthInASecond };

Timed TimeFast(const Position& position, int depth, Totals* totals) {
  const Timed fast = Time(position, depth, ChooseComputerMoveReported);
  totals->fastMs += fast.milliseconds;
  totals->fastNodes += fast.report.nodes;
  totals->slowestFastMs = std::max(totals->slowestFastMs, fast.milliseconds);
  totals->fastHeapPeak = std::max(totals->fastHeapPeak, fast.heapPeak);
  return fast;
}

// Prints the engine's result `fast` on the position and, with `withPlain`,
// times the plain search there and compares.
void ComparePlain(const std::string& name, const Position& position, int depth, const Timed& fast, bool withPlain,
                  Totals* totals, Lines lines) {
  std::string line = name;
  line.resize(std::max<std::size_t>(line.size(), 72), ' ');
  char text[256];
  std::snprintf(text, sizeof text, " %s %7d %9.3f ms %9lld nodes", MoveText(fast.move).c_str(), fast.report.score,
                fast.milliseconds, static_cast<long long>(fast.report.nodes));
  line += text;
  bool same = true;
  if (withPlain) {
    const Timed plain = Time(position, depth, reference::ChooseComputerMoveReported);
    totals->fastMsWithPlain += fast.milliseconds;
    totals->plainMs += plain.milliseconds;
    totals->plainNodes += plain.report.nodes;
    totals->plainHeapPeak = std::max(totals->plainHeapPeak, plain.heapPeak);
    same = MoveText(plain.move) == MoveText(fast.move) && plain.report.score == fast.report.score;
    totals->mismatches += same ? 0 : 1;
    std::snprintf(text, sizeof text, " | plain %s %7d %10.1f ms %9lld nodes  x%.0f%s", MoveText(plain.move).c_str(),
                  plain.report.score, plain.milliseconds, static_cast<long long>(plain.report.nodes),
                  plain.milliseconds / std::max(fast.milliseconds, 1e-3), same ? "" : "  DIFFERENT");
    line += text;
  }
  if (lines == Lines::kEveryPosition || !same) std::printf("%s\n", line.c_str());
}

void Compare(const std::string& name, const Position& position, bool withPlain, Totals* totals) {
  ComparePlain(name, position, kFullWidthDepth, TimeFast(position, kFullWidthDepth, totals), withPlain, totals,
               Lines::kEveryPosition);
}

void PrintTotals(const char* what, const Totals& totals, bool withPlain) {
  std::printf("%s: fast %.1f ms, %lld nodes, %.0f positions/s, slowest move %.3f ms, peak heap %zu bytes\n", what,
              totals.fastMs, static_cast<long long>(totals.fastNodes), totals.fastNodes / (totals.fastMs / 1000.0),
              totals.slowestFastMs, totals.fastHeapPeak);
  if (withPlain) {
    std::printf(
        "%s: plain %.1f ms, %lld nodes, peak heap %zu bytes; speed-up x%.0f (fast %.1f ms on the same "
        "positions); %d different choices\n",
        what, totals.plainMs, static_cast<long long>(totals.plainNodes), totals.plainHeapPeak,
        totals.plainMs / std::max(totals.fastMsWithPlain, 1e-3), totals.fastMsWithPlain, totals.mismatches);
  }
}

void SelfPlay(bool withPlain) {
  std::printf("\n40-ply game of the engine against itself from the initial position\n");
  Position position;
  SetUpBoard(&position.board, &position.lastMove);
  Totals totals;
  for (int ply = 0; ply < 40 && CheckGameEnd(&position.board, position.lastMove) == kGameGoesOn; ++ply) {
    Compare("ply " + std::to_string(ply + 1), position, withPlain, &totals);
    const char side = SideToMove(&position.board, position.lastMove);
    Move move = ChooseComputerMove(&position.board, position.lastMove, kFullWidthDepth, side);
    ApplyMove(&position.board, &move, &position.board);
    position.lastMove = move;
  }
  PrintTotals("self-play", totals, withPlain);
}

void PerftTimes() {
  std::printf("\nMove-generation counts through the legality test\n");
  const struct {
    const char* fen;
    int depth;
  } cases[] = {{kPositions[0], 4}, {kPositions[6], 3}, {kPositions[18], 5}};
  for (const auto& c : cases) {
    Position position;
    PositionFromFen(c.fen, &position);
    const auto start = std::chrono::steady_clock::now();
    const std::int64_t leaves = Perft(position, c.depth);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-72s depth %d: %lld leaves, %.1f ms, %.0f leaves/s\n", c.fen, c.depth, static_cast<long long>(leaves),
                ms, leaves / (ms / 1000.0));
  }
}

// The games measure at every depth: the engine on every position, time per
// move (median and slowest) and nodes (positions visited) per second; the
// plain search after it at depth 2 on every `plainEvery2`-th position and at
// depth 3 on every `plainEvery3`-th (none when 0), with the ratio of their
// times on the positions both searched. Returns the number of different
// choices.
int MeasureDepths(const std::vector<Position>& positions, int plainEvery2, int plainEvery3) {
  std::printf(
      "depth  median ms  slowest ms   total ms      nodes/s | plain on    plain ms   fast ms   ratio  different\n");
  int mismatches = 0;
  if (positions.empty()) return mismatches;
  constexpr int kDeepestMeasured = 6;  // deeper levels are measured by the depth in a second
  for (int depth = kMinDepth; depth <= kDeepestMeasured; ++depth) {
    // The engine on every position first, then the plain search: timed apart,
    // as in a game, where neither finds its caches filled by the other.
    Totals totals;
    std::vector<Timed> fast;
    std::vector<double> milliseconds;
    for (const Position& position : positions) {
      fast.push_back(TimeFast(position, depth, &totals));
      milliseconds.push_back(fast.back().milliseconds);
    }
    const int every = depth == 2 ? plainEvery2 : depth == 3 ? plainEvery3 : 0;
    int plainPositions = 0;
    for (std::size_t i = 0; every > 0 && i < positions.size(); i += every, ++plainPositions) {
      ComparePlain("depth " + std::to_string(depth) + " move " + std::to_string(i + 1), positions[i], depth, fast[i],
                   true, &totals, Lines::kDifferencesOnly);
    }
    std::nth_element(milliseconds.begin(), milliseconds.begin() + milliseconds.size() / 2, milliseconds.end());
    std::printf("%5d %10.3f %11.3f %10.1f %12.0f |", depth, milliseconds[milliseconds.size() / 2], totals.slowestFastMs,
                totals.fastMs, totals.fastNodes / (totals.fastMs / 1000.0));
    if (plainPositions > 0) {
      std::printf(" %8d %11.1f %9.1f %7.0f %10d\n", plainPositions, totals.plainMs, totals.fastMsWithPlain,
                  totals.plainMs / std::max(totals.fastMsWithPlain, 1e-3), totals.mismatches);
    } else {
      std::printf("        -\n");
    }
    std::fflush(stdout);
    mismatches += totals.mismatches;
  }
  return mismatches;
}

// Endings of at most 6 pieces: mates to find, pawns to promote, pieces to win.
constexpr const char* kEndings[] = {
    "8/8/4k3/8/2K5/8/3Q4/8 w - - 0 1",   "8/8/8/3k4/8/8/8/R3K3 w - - 0 1",      "8/8/8/8/4k3/8/8/2KR4 w - - 0 1",
    "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1",   "8/8/8/8/2k5/8/1P6/1K6 w - - 0 1",     "8/5k2/8/1p6/8/8/6PK/8 b - - 0 1",
    "8/8/1k6/8/8/8/1KBN4/8 w - - 0 1",   "8/8/8/8/3k4/8/3KQ3/3r4 w - - 0 1",    "8/8/3k4/3r4/8/4R3/3P4/3K4 w - - 0 1",
    "8/8/8/KP5r/1R5k/8/8/8 w - - 0 1",   "6k1/5p2/8/8/8/8/5P2/4R1K1 w - - 0 1", "8/8/8/8/k7/8/2Q5/K6q w - - 0 1",
    "8/8/8/2k5/8/8/5PPP/6K1 w - - 0 1",  "7k/8/8/4K3/8/8/8/R7 w - - 0 1",       "8/8/4kp2/8/8/4KP2/8/8 w - - 0 1",
    "8/1k6/8/8/8/8/6K1/4N1B1 w - - 0 1",
};

constexpr int kMostEndingPieces = 6;

int PieceCount(const Position& position) {
  return static_cast<int>(std::count_if(std::begin(position.board.squares), std::end(position.board.squares),
                                        [](char letter) { return letter != kEmptySquare; }));
}

struct DepthInTime {
  Move move;
  SearchReport report;
  double milliseconds;
};

// How a search is given its second: as a hard limit only, or as the
// protocols' clock gives it, no iteration starting after half of it (and
// then, with no pawns left, the mate search first).
enum class Budget { kHardLimit, kClock };

// The deepest iteration the search completes on the position in `budget`,
// deepening to the deepest level.
DepthInTime DeepestIn(const Position& position, std::chrono::milliseconds budget, Budget how = Budget::kHardLimit) {
  SearchLimits limits;
  limits.depth = kMaxDepth;
  const auto start = std::chrono::steady_clock::now();
  limits.stopBy = start + budget;
  if (how == Budget::kClock) limits.startBy = start + budget / 2;
  DepthInTime result{};
  result.move = SearchMove(&position.board, position.lastMove, SideToMove(&position.board, position.lastMove), limits,
                           &result.report);
  result.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return result;
}

// One line per position (depth, move, score, nodes, milliseconds), then the
// median and the spread of the depths.
void MeasureDepthInTime(const char* what, const std::vector<Position>& positions, std::chrono::milliseconds budget) {
  std::printf("\n%s: %zu positions, %lld ms a move\n", what, positions.size(), static_cast<long long>(budget.count()));
  std::printf("%-72s depth move    score       nodes      ms\n", "position");
  std::vector<int> depths;
  for (const Position& position : positions) {
    const DepthInTime result = DeepestIn(position, budget);
    depths.push_back(result.report.depth);
    std::printf("%-72s %5d %s %8d %11lld %7.0f\n", FenFromPosition(position).c_str(), result.report.depth,
                MoveText(result.move).c_str(), result.report.score, static_cast<long long>(result.report.nodes),
                result.milliseconds);
    std::fflush(stdout);
  }
  if (depths.empty()) return;
  std::sort(depths.begin(), depths.end());
  std::printf("%s: median depth %d (least %d, most %d)\n", what, depths[depths.size() / 2], depths.front(),
              depths.back());
  std::printf("depth  positions\n");
  for (int depth = depths.front(); depth <= depths.back(); ++depth) {
    const auto count = std::count(depths.begin(), depths.end(), depth);
    if (count > 0) std::printf("%5d %10lld\n", depth, static_cast<long long>(count));
  }
}

// The mates found in a second on the endings without pawns: by the search
// alone, and on the clock, where the mate search comes first.
void MeasureMatesInTime(const std::vector<Position>& endings, std::chrono::milliseconds budget) {
  std::printf("\nendings without pawns, %lld ms a move: the search alone | on a clock\n",
              static_cast<long long>(budget.count()));
  std::printf("%-72s depth move  mate |  depth move  mate      ms\n", "position");
  int alone = 0;
  int onAClock = 0;
  int count = 0;
  for (const Position& position : endings) {
    if (std::find_if(std::begin(position.board.squares), std::end(position.board.squares),
                     [](char letter) { return letter == 'P' || letter == 'p'; }) != std::end(position.board.squares)) {
      continue;
    }
    const DepthInTime searched = DeepestIn(position, budget);
    const DepthInTime clocked = DeepestIn(position, budget, Budget::kClock);
    ++count;
    alone += searched.report.matePlies > 0;
    onAClock += clocked.report.matePlies > 0;
    std::printf("%-72s %5d %s %5d | %6d %s %5d %7.0f\n", FenFromPosition(position).c_str(), searched.report.depth,
                MoveText(searched.move).c_str(), searched.report.matePlies, clocked.report.depth,
                MoveText(clocked.move).c_str(), clocked.report.matePlies, clocked.milliseconds);
    std::fflush(stdout);
  }
  std::printf("mates found (plies > 0) in %d endings without pawns: the search alone %d, on a clock %d\n", count, alone,
              onAClock);
}

// The depth in a second a move on every `every`-th of the games' positions,
// then on the endings (the fixed ones and those of the games).
int DepthInASecond(const std::vector<Position>& games, int every) {
  constexpr std::chrono::milliseconds kBudget{1000};
  std::vector<Position> sample;
  std::vector<Position> endings;
  for (std::size_t i = 0; i < games.size(); ++i) {
    if (PieceCount(games[i]) <= kMostEndingPieces) {
      endings.push_back(games[i]);
    } else if (i % every == 0) {
      sample.push_back(games[i]);
    }
  }
  for (const char* fen : kEndings) {
    Position position;
    if (PositionFromFen(fen, &position)) endings.push_back(position);
  }
  MeasureDepthInTime("games", sample, kBudget);
  MeasureDepthInTime("endings of at most 6 pieces", endings, kBudget);
  MeasureMatesInTime(endings, kBudget);
  return 0;
}

}  // namespace

// Every position where the engine moves in the protocol-mode session of
// `path`, played by the program's own protocol reader (its replies thrown
// away), measured at every depth.
int Games(const char* path, int plainEvery2, int plainEvery3, Measure measure) {
  std::FILE* in = std::fopen(path, "r");
  std::FILE* replies = std::tmpfile();
  if (in == nullptr || replies == nullptr) {
    std::fprintf(stderr, "cannot read %s\n", path);
    return 1;
  }
  std::vector<Position> positions;
  InputStream input;
  input.file = in;
  std::string name;
  ReadWord(&input, &name);  // "xboard"
  ProtocolSession session = NewProtocolSession();
  const EngineMoveObserver collect = [&positions](const GameSession& game) { positions.push_back(game.position); };
  while (ReadActAndAnswer(&input, replies, &session, collect) == Reading::kGoOn) {
  }
  std::fclose(in);
  std::fclose(replies);
  std::printf("%zu engine moves in %s\n", positions.size(), path);
  if (measure == Measure::kDepthInASecond) return DepthInASecond(positions, plainEvery2);
  return MeasureDepths(positions, plainEvery2, plainEvery3) == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--games") == 0) {
    return Games(argv[2], argc > 3 ? std::atoi(argv[3]) : 1, argc > 4 ? std::atoi(argv[4]) : 0, Measure::kEveryDepth);
  }
  if (argc > 2 && std::strcmp(argv[1], "--depth-in-a-second") == 0) {
    constexpr int kEvery = 10;
    return Games(argv[2], argc > 3 ? std::max(1, std::atoi(argv[3])) : kEvery, 0, Measure::kDepthInASecond);
  }
  const bool withPlain = !(argc > 1 && std::strcmp(argv[1], "--fast") == 0);
  if (argc > 2 && std::strcmp(argv[1], "--golden") == 0) {
    std::ifstream in(argv[2]);
    std::string line;
    Totals totals;
    while (std::getline(in, line)) {
      GoldenRecord record;
      Position position;
      if (line.empty() || line[0] == '#' || !ParseGoldenRecord(line, &record)) continue;
      if (!PositionFromFen(record.fen, &position)) continue;
      Compare(record.fen, position, true, &totals);
    }
    PrintTotals("golden set", totals, true);
    return totals.mismatches == 0 ? 0 : 1;
  }
  std::printf("%-72s move   score      time       nodes\n", "position");
  Totals totals;
  for (const char* fen : kPositions) {
    Position position;
    PositionFromFen(fen, &position);
    Compare(fen, position, withPlain, &totals);
  }
  PrintTotals("fixed positions", totals, withPlain);
  SelfPlay(withPlain);
  if (withPlain) PerftTimes();
  return 0;
}
