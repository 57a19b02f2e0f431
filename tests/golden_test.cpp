// Replays the golden records of the computer's choices, made with the plain
// search, one per full-width depth: the program must choose the same move with
// the same score in every position, evaluate it the same from both sides,
// find the same number of legal moves, and play the same game against itself.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/evaluation.h"
#include "engine/move_generation.h"
#include "engine/search.h"
#include "model/apply_move.h"
#include "rules/game_end.h"
#include "rules/legality.h"
#include "support/golden_record.h"
#include "support/positions.h"
#include "tests/support/self_play.h"

namespace {

struct GoldenFile {
  std::vector<GoldenRecord> positions;
  std::vector<GoldenRecord> selfPlay;
};

// A golden record file, the depth its searches were made at, and how many
// positions and plies of play against itself it holds at least.
struct GoldenCase {
  const char* name;
  int depth;
  std::size_t positions;
  std::size_t selfPlayPlies;
};

// At depths 1 and 2 the plain search plays the games of make_golden; at the
// deeper levels it searched a sample of the depth-2 positions, as many as it
// could in about 12 minutes of processor time (make_golden --sample).
constexpr GoldenCase kGoldenCases[] = {
    {"search_golden.txt", 2, 300, kSelfPlayPlies},         // the games, and the game against itself
    {"search_golden_depth1.txt", 1, 300, kSelfPlayPlies},  // the same at depth 1
    {"search_golden_depth3.txt", 3, 39, 0},                // every 5th position, the first 39
    {"search_golden_depth4.txt", 4, 160, 0},               // every position of at most 10 pieces
    {"search_golden_depth5.txt", 5, 160, 0},               // every position of at most 10 pieces
    {"search_golden_depth6.txt", 6, 80, 0},                // every 2nd position of at most 10 pieces
};

void PrintTo(const GoldenCase& golden, std::ostream* out) { *out << golden.name; }

GoldenFile ReadGoldenFile(const GoldenCase& golden) {
  GoldenFile file;
  std::ifstream in(std::string(GOLDEN_DIR) + golden.name);
  EXPECT_TRUE(in.is_open()) << golden.name;
  bool selfPlay = false;
  for (std::string line; std::getline(in, line);) {
    if (line == "# self-play") selfPlay = true;
    if (line.empty() || line[0] == '#') continue;
    GoldenRecord record;
    EXPECT_TRUE(ParseGoldenRecord(line, &record)) << line;
    (selfPlay ? file.selfPlay : file.positions).push_back(record);
  }
  return file;
}

void ExpectSameAsRecord(const Position& position, int depth, const GoldenRecord& record) {
  const char side = SideToMove(&position.board, position.lastMove);
  SearchReport report{};
  const Move chosen = ChooseComputerMoveReported(&position.board, position.lastMove, depth, side, &report);
  EXPECT_EQ(MoveText(chosen), record.move) << record.fen;
  EXPECT_EQ(report.score, record.score) << record.fen;
  EXPECT_EQ(EvaluatePosition(&position.board, kWhiteSide, position.lastMove), record.evalWhite) << record.fen;
  EXPECT_EQ(EvaluatePosition(&position.board, kBlackSide, position.lastMove), record.evalBlack) << record.fen;
  EXPECT_EQ(static_cast<int>(LegalMoves(&position.board, position.lastMove).size()), record.legalMoves) << record.fen;
  MoveList moves;
  GenerateMoves(&position.board, position.lastMove, SideOfLetter(side), &moves);
  EXPECT_EQ(moves.count, record.legalMoves) << record.fen;
  EXPECT_EQ(CheckGameEnd(&position.board, position.lastMove) == kGameGoesOn, record.legalMoves > 0) << record.fen;
}

class GoldenTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, SameChoicesInEveryPosition) {
  const GoldenFile file = ReadGoldenFile(GetParam());
  EXPECT_GE(file.positions.size(), GetParam().positions);
  for (const GoldenRecord& record : file.positions) {
    Position position;
    ASSERT_TRUE(PositionFromFen(record.fen, &position)) << record.fen;
    ExpectSameAsRecord(position, GetParam().depth, record);
  }
}

TEST_P(GoldenTest, SameGameAgainstItself) {
  const GoldenFile file = ReadGoldenFile(GetParam());
  ASSERT_EQ(file.selfPlay.size(), GetParam().selfPlayPlies);
  std::size_t ply = 0;
  PlayAgainstItself(static_cast<int>(file.selfPlay.size()), [&](const Position& position) {
    const GoldenRecord& record = file.selfPlay[ply++];
    EXPECT_EQ(FenFromPosition(position), record.fen);
    ExpectSameAsRecord(position, GetParam().depth, record);
    return ChooseComputerMove(&position.board, position.lastMove, GetParam().depth,
                              SideToMove(&position.board, position.lastMove));
  });
  EXPECT_EQ(ply, file.selfPlay.size()) << "the game ended before the record did";
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, GoldenTest, testing::ValuesIn(kGoldenCases),
                         [](const testing::TestParamInfo<GoldenCase>& info) {
                           return "Depth" + std::to_string(info.param.depth);
                         });

}  // namespace
