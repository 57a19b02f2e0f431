// Replays the golden record of the computer's choices, made with the plain
// search: the program must choose the same move with the same score in every
// position, evaluate it the same from both sides, find the same number of
// legal moves, and play the same game against itself.
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

namespace {

struct GoldenFile {
  std::vector<GoldenRecord> positions;
  std::vector<GoldenRecord> selfPlay;
};

GoldenFile ReadGoldenFile() {
  GoldenFile file;
  std::ifstream in(GOLDEN_FILE);
  std::string line;
  bool selfPlay = false;
  while (std::getline(in, line)) {
    if (line == "# self-play") selfPlay = true;
    if (line.empty() || line[0] == '#') continue;
    GoldenRecord record;
    EXPECT_TRUE(ParseGoldenRecord(line, &record)) << line;
    (selfPlay ? file.selfPlay : file.positions).push_back(record);
  }
  return file;
}

void ExpectSameAsRecord(const Position& position, const GoldenRecord& record) {
  const char side = SideToMove(&position.board, position.lastMove);
  SearchReport report{};
  const Move chosen = ChooseComputerMoveReported(&position.board, position.lastMove, kFullWidthDepth, side, &report);
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

TEST(GoldenTest, SameChoicesInEveryPosition) {
  const GoldenFile file = ReadGoldenFile();
  EXPECT_GE(file.positions.size(), 300u);
  for (const GoldenRecord& record : file.positions) {
    Position position;
    ASSERT_TRUE(PositionFromFen(record.fen, &position)) << record.fen;
    ExpectSameAsRecord(position, record);
  }
}

TEST(GoldenTest, SameGameAgainstItself) {
  const GoldenFile file = ReadGoldenFile();
  ASSERT_EQ(file.selfPlay.size(), 40u);
  Position position;
  SetUpBoard(&position.board, &position.lastMove);
  for (const GoldenRecord& record : file.selfPlay) {
    ASSERT_EQ(FenFromPosition(position), record.fen);
    ExpectSameAsRecord(position, record);
    const char side = SideToMove(&position.board, position.lastMove);
    Move move = ChooseComputerMove(&position.board, position.lastMove, kFullWidthDepth, side);
    ApplyMove(&position.board, &move, &position.board);
    position.lastMove = move;
  }
}

}  // namespace
