// The static evaluation and the computer's choice of move.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/evaluation.h"
#include "engine/move_generation.h"
#include "engine/search.h"
#include "model/apply_move.h"
#include "reference/reference_search.h"
#include "rules/check.h"
#include "rules/game_end.h"
#include "rules/legality.h"
#include "support/perft.h"
#include "support/positions.h"
#include "tests/support/test_names.h"
#include "tests/support/test_positions.h"

namespace {

struct EvaluationCase {
  const char* name;
  Position position;
  int forWhite;
};

TEST(EvaluationTest, KnownScores) {
  const std::vector<EvaluationCase> cases = {
      {"initial position", Play({}), 0},
      {"1. e4", Play({"e2e4"}), 300},
      {"1. Nf3", Play({"g1f3"}), 250},
      {"1. e4 e5", Play({"e2e4", "e7e5"}), 0},
      {"fool's mate: mate score and one king in check", Play({"f2f3", "e7e5", "g2g4", "d8h4"}), -100000},
      {"stalemate whatever the material", FromFen("k7/8/1Q6/8/8/8/8/4K3 b - - 0 1"), 0},
  };
  for (const EvaluationCase& c : cases) {
    EXPECT_EQ(EvaluatePosition(&c.position.board, kWhiteSide, c.position.lastMove), c.forWhite) << c.name;
    EXPECT_EQ(EvaluatePosition(&c.position.board, kBlackSide, c.position.lastMove), -c.forWhite) << c.name;
  }
}

TEST(EvaluationTest, ThreatTerms) {
  struct ThreatCase {
    const char* fen;
    int threat;
  };
  const std::vector<ThreatCase> cases = {
      {"7k/8/8/4p3/3Q4/8/8/K7 w - - 0 1", -800}, {"7k/8/8/4pn2/3Q4/8/8/K7 w - - 0 1", -7000},
      {"7k/8/1n6/P3p3/3N4/8/8/K7 w - - 0 1", 0}, {"1k6/3q4/8/8/3Q4/8/8/6K1 w - - 0 1", 0},
      {"7k/q7/8/8/3R4/8/8/7K w - - 0 1", 0},     {"7k/8/8/8/8/8/1p6/B6K w - - 0 1", -200},
      {"7n/6P1/8/8/8/8/8/K6k w - - 0 1", 200},
  };
  for (const ThreatCase& c : cases) {
    const Position position = FromFen(c.fen);
    EXPECT_EQ(ThreatScore(&position.board, position.lastMove), c.threat) << c.fen;
  }
}

TEST(EvaluationTest, PlacementIsNotMirroredByFile) {
  const Position position = FromFen("1n2k3/8/8/8/8/8/8/1N2K3 w - - 0 1");
  EXPECT_EQ(PlacementValue(kFileB, kRank1, &position.board), -200);
  EXPECT_EQ(PlacementValue(kFileB, kRank8, &position.board), 200);
}

struct ChoiceCase {
  const char* name;
  const char* fen;
  const char* expected;  // the move the computer must choose, or "" for any
};

void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.name; }

class ChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

// The chosen move and its score are the plain search's (reference/), and
// the move expected where one is named.
TEST_P(ChoiceTest, SameMoveAndScoreAsThePlainSearch) {
  const ChoiceCase& c = GetParam();
  const Position position = FromFen(c.fen);
  const char side = SideToMove(&position.board, position.lastMove);
  SearchReport plain{};
  const Move expected =
      reference::ChooseComputerMoveReported(&position.board, position.lastMove, kFullWidthDepth, side, &plain);
  SearchReport report{};
  const Move chosen = ChooseComputerMoveReported(&position.board, position.lastMove, kFullWidthDepth, side, &report);
  EXPECT_EQ(MoveText(chosen), MoveText(expected)) << c.name;
  EXPECT_EQ(report.score, plain.score) << c.name;
  if (c.expected[0] != '\0') {
    EXPECT_EQ(MoveText(chosen), c.expected) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, ChoiceTest,
    ::testing::Values(ChoiceCase{"the only legal move", "7k/8/8/8/8/8/r7/K6r w - - 0 1", "a1a2"},
                      // Every king move scores the same: the first in generation order wins.
                      ChoiceCase{"ties keep the earliest move", "7k/8/8/3K4/8/8/8/8 w - - 0 1", "d5c4"},
                      ChoiceCase{"mate in one", "k7/7Q/1K6/8/8/8/8/8 w - - 0 1", "h7a7"},
                      ChoiceCase{"black mates in one", "8/8/8/8/8/1k6/7q/K7 b - - 0 1", ""},
                      ChoiceCase{"a free queen", "4k3/8/8/3q4/8/8/8/3RK3 w - - 0 1", "d1d5"},
                      ChoiceCase{"castling rights after the first move", "r3k3/8/8/8/8/8/4P3/R3K3 w Qq - 0 1", ""},
                      ChoiceCase{"pawns racing", "8/5k2/8/1p6/8/8/6PK/8 b - - 0 1", ""}),
    NamedCase());

TEST(SearchTest, MateScore) {
  const Position mate = FromFen("k7/7Q/1K6/8/8/8/8/8 w - - 0 1");
  SearchReport report{};
  ChooseComputerMoveReported(&mate.board, mate.lastMove, kFullWidthDepth, kWhiteSide, &report);
  EXPECT_EQ(report.score, 99000);
}

TEST(SearchTest, ReturnsRightsAfterTheMoveAndLeavesTheGameAlone) {
  const Position position = FromFen("4k3/8/8/8/8/8/3q4/4K3 w - - 0 1");
  Position copy = position;
  copy.lastMove.castleWhiteKingSide = copy.lastMove.castleWhiteQueenSide = 1;
  const Move chosen = ChooseComputerMove(&copy.board, copy.lastMove, kFullWidthDepth, kWhiteSide);
  EXPECT_EQ(MoveText(chosen), "e1d2");
  EXPECT_EQ(chosen.castleWhiteKingSide, 0);
  EXPECT_EQ(chosen.castleWhiteQueenSide, 0);
  EXPECT_EQ(std::string(copy.board.squares, 64), std::string(position.board.squares, 64));
}

TEST(SearchTest, NoLegalMoveReturnsTheLastMove) {
  const Position mated = Play({"f2f3", "e7e5", "g2g4", "d8h4"});
  const Move chosen = ChooseComputerMove(&mated.board, mated.lastMove, kFullWidthDepth, kWhiteSide);
  EXPECT_EQ(MoveText(chosen), "d8h4");
}

}  // namespace

namespace {

TEST(MoveGenerationTest, PublishedCounts) {
  for (const PerftCount& c : kPublishedPerft) {
    EXPECT_EQ(SearchGeneratorPerft(FromFen(c.fen), c.depth), c.leaves) << c.fen << " depth " << c.depth;
  }
}

}  // namespace
