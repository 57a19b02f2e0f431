// The static evaluation and the computer's choice of move.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <tuple>
#include <vector>

#include "engine/attack_tables.h"
#include "engine/evaluation.h"
#include "engine/evaluation_tables.h"
#include "engine/game_positions.h"
#include "engine/lone_king_mates.h"
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

constexpr ChoiceCase kChoiceCases[] = {
    {"the only legal move", "7k/8/8/8/8/8/r7/K6r w - - 0 1", "a1a2"},
    // Every king move scores the same: the first in generation order wins.
    {"ties keep the earliest move", "7k/8/8/3K4/8/8/8/8 w - - 0 1", "d5c4"},
    {"mate in one", "k7/7Q/1K6/8/8/8/8/8 w - - 0 1", "h7a7"},
    {"black mates in one", "8/8/8/8/8/1k6/7q/K7 b - - 0 1", ""},
    {"a free queen", "4k3/8/8/3q4/8/8/8/3RK3 w - - 0 1", "d1d5"},
    {"castling rights after the first move", "r3k3/8/8/8/8/8/4P3/R3K3 w Qq - 0 1", ""},
    {"pawns racing", "8/5k2/8/1p6/8/8/6PK/8 b - - 0 1", ""},
};

INSTANTIATE_TEST_SUITE_P(Positions, ChoiceTest, ::testing::ValuesIn(kChoiceCases), NamedCase());

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

TEST(MoveGenerationTest, PublishedCounts) {
  for (const PerftCount& c : kPublishedPerft) {
    EXPECT_EQ(SearchGeneratorPerft(FromFen(c.fen), c.depth), c.leaves) << c.fen << " depth " << c.depth;
  }
}

// At every level but 2 a mate counts its plies, and a root move back into a
// position of the game is a draw.
SearchLimits AtLevel(int level) {
  SearchLimits limits;
  limits.depth = level;
  return limits;
}

// A clock so far off that the search always ends on its depth.
SearchLimits OnAFarClock(SearchLimits limits) {
  const auto farOff = std::chrono::steady_clock::now() + std::chrono::hours(1);
  limits.startBy = farOff;
  limits.stopBy = farOff;
  return limits;
}

// A mate in `plies` and the first of its shortest mates in generation order,
// which every level that sees it (depth `plies` or more, 2 excepted; up to
// 6, or `plies` for a longer mate) plays, scoring kMateScore - plies. On a
// clock, the mates of a lone king by king and queen or king and rook are
// read from the solved ending, the others searched alone first.
struct MateCase {
  const char* name;
  const char* fen;
  int plies;
  const char* move;
};

TEST(SearchTest, ShortestMateAtEveryLevelThatSeesIt) {
  const MateCase cases[] = {
      {"White mates in one, not by a king move that keeps a mate in reach", "7k/8/5K2/8/8/8/8/6Q1 w - - 0 1", 1,
       "g1g7"},
      {"Black mates in one", "6q1/8/8/8/8/5k2/8/7K b - - 0 1", 1, "g8g2"},
      {"White mates in two", "7k/8/5K2/8/8/8/8/R7 w - - 0 1", 3, "f6f7"},
      {"Black mates in two", "r7/8/8/8/8/5k2/8/7K b - - 0 1", 3, "f3f2"},
      {"White mates in three", "7k/8/8/4K3/8/8/8/R7 w - - 0 1", 5, "e5f6"},
      {"Black mates in three", "r7/8/8/8/4k3/8/8/7K b - - 0 1", 5, "e4f3"},
      {"White mates in five", "8/8/8/8/8/1k6/8/K5Q1 w - - 0 1", 9, "g1c5"},
      {"White mates in four, with a knight as well", "8/8/8/8/8/1k6/8/K5QN w - - 0 1", 7, "g1c5"},
      {"Black mates in three, with a bishop as well", "r7/8/8/8/4k3/8/8/b6K b - - 0 1", 5, "e4f3"},
  };
  constexpr int kDeepestLevel = 6;
  for (const MateCase& c : cases) {
    const Position position = FromFen(c.fen);
    const char side = SideToMove(&position.board, position.lastMove);
    for (int level = std::max(kMinDepth, c.plies); level <= std::max(kDeepestLevel, c.plies); ++level) {
      if (level == kFullWidthDepth) continue;
      // On a clock the mate is looked for alone first, and found the same.
      for (const SearchLimits& limits : {AtLevel(level), OnAFarClock(AtLevel(level))}) {
        const bool clock = limits.startBy != SearchLimits{}.startBy;
        SearchReport report{};
        const Move chosen = SearchMove(&position.board, position.lastMove, side, limits, &report);
        EXPECT_EQ(MoveText(chosen), c.move) << c.name << " at level " << level << (clock ? " on a clock" : "");
        EXPECT_EQ(report.score, kMateScore - c.plies) << c.name << " at level " << level;
        EXPECT_EQ(report.matePlies, c.plies) << c.name << " at level " << level;
      }
    }
  }
}

// King and queen, or king and rook, against a lone king, with White to
// move: Black has just moved its king onto its square.
Position LoneKingPosition(char piece, const LoneKingPlacement& at) {
  Position position{};
  std::fill(std::begin(position.board.squares), std::end(position.board.squares), kEmptySquare);
  position.board.squares[at.attackerKing] = 'K';
  position.board.squares[at.piece] = piece;
  position.board.squares[at.defenderKing] = 'k';
  const int file = at.defenderKing / kBoardSize;
  const int rank = at.defenderKing % kBoardSize;
  position.lastMove = BuildMove(file, rank, file, rank, {});
  return position;
}

// The solved endings: their longest mates are the known ones, ten moves with
// the queen and sixteen with the rook, and the deepest level plays the rook's
// on a clock. On a sample of placements the full search of 5 plies finds a
// mate exactly where the table has one of 5 plies or fewer, as long. (The
// mate table's rows of these endings, on a clock, read the table for the
// move.)
TEST(SearchTest, SolvedLoneKingEndingsAgreeWithTheSearch) {
  constexpr int kLevel = 5;
  constexpr int kSampleEvery = 4999;
  constexpr int kShortMateEvery = 97;
  for (const auto& [piece, letter, longest] : {std::tuple{kQueen, 'Q', 19}, std::tuple{kRook, 'R', 31}}) {
    const LoneKingMates mates = SolveLoneKingMates(piece);
    int mostPlies = 0;
    int longestAt = -1;
    int sampled = 0;
    for (int placement = 0; placement < kLoneKingPlacements; ++placement) {
      const LoneKingPlacement at = PlacementOf(placement);
      const int plies = mates.plies[LoneKingIndex(Mover::kAttacker, at)];
      if (plies != kNoForcedMate && plies > mostPlies) {
        mostPlies = plies;
        longestAt = placement;
      }
      // Every few thousandth placement, and more of the short mates.
      if (placement % (plies <= kLevel ? kShortMateEvery : kSampleEvery) != 0) continue;
      const Position position = LoneKingPosition(letter, at);
      if (at.attackerKing == at.piece || at.piece == at.defenderKing ||
          Contains(KingAttacks(at.attackerKing) | SquareSetOf(at.attackerKing), at.defenderKing) ||
          IsKingInCheck(&position.board, Side::kBlack)) {
        continue;
      }
      ++sampled;
      SearchReport searched{};
      SearchMove(&position.board, position.lastMove, kWhiteSide, AtLevel(kLevel), &searched);
      EXPECT_EQ(searched.matePlies, plies <= kLevel ? plies : 0) << letter << " placement " << placement;
    }
    EXPECT_GT(sampled, 0);
    EXPECT_EQ(mostPlies, longest) << letter;
    if (piece != kRook) continue;
    const Position position = LoneKingPosition(letter, PlacementOf(longestAt));
    SearchReport report{};
    SearchMove(&position.board, position.lastMove, kWhiteSide, OnAFarClock(AtLevel(kMaxDepth)), &report);
    EXPECT_EQ(report.matePlies, longest);
  }
}

// A position's image under a symmetry of the board.
Position Reflected(const Position& position, int symmetry) {
  Position image = position;
  for (int square = 0; square < kSquareCount; ++square) {
    image.board.squares[Reflect(square, symmetry)] = position.board.squares[square];
  }
  const Move last = position.lastMove;
  const int from = Reflect(SquareIndex(GetFromFile(last), GetFromRank(last)), symmetry);
  const int to = Reflect(SquareIndex(GetToFile(last), GetToRank(last)), symmetry);
  image.lastMove = BuildMove(from / kBoardSize, from % kBoardSize, to / kBoardSize, to % kBoardSize, last);
  return image;
}

// Without pawns or castling rights the board's symmetries change no mate:
// the mate search, which keeps a position and its images as one, finds as
// long a mate in each image.
TEST(SearchTest, MatesAsLongInEveryImageOfThePosition) {
  for (const char* fen : {"8/8/8/8/8/1k6/8/K5QN w - - 0 1", "rn6/8/8/8/4k3/8/8/7K b - - 0 1"}) {
    SearchReport original{};
    const Position position = FromFen(fen);
    const int level = 9;
    SearchMove(&position.board, position.lastMove, SideToMove(&position.board, position.lastMove),
               OnAFarClock(AtLevel(level)), &original);
    EXPECT_GT(original.matePlies, 0) << fen;
    for (int symmetry = 0; symmetry < kSymmetries; ++symmetry) {
      const Position image = Reflected(position, symmetry);
      SearchReport report{};
      SearchMove(&image.board, image.lastMove, SideToMove(&image.board, image.lastMove), OnAFarClock(AtLevel(level)),
                 &report);
      EXPECT_EQ(report.matePlies, original.matePlies) << fen << " under symmetry " << symmetry;
    }
  }
}

enum class Repetition {
  kTaken,    // the move into the earlier position is played, valued 0
  kAvoided,  // without the earlier position `move` is played; with it another, still winning
  kIgnored,  // the earlier position changes nothing
};

// The earlier position is `earlierFen`, or else the one `move` leads to,
// followed by `reply` when there is one.
struct RepetitionCase {
  const char* name;
  const char* fen;
  int level;
  const char* move;
  const char* earlierFen;
  Repetition expected;
  const char* reply = nullptr;
};

TEST(SearchTest, RootMovesIntoEarlierPositions) {
  const RepetitionCase cases[] = {
      {"behind, the repetition is taken", "4k2r/pppppppp/8/8/8/8/8/4K1R1 w - - 0 1", 3, "g1h1", nullptr,
       Repetition::kTaken},
      {"ahead, the repetition is avoided", "4k3/8/8/8/8/8/8/4K2R w K - 0 1", 3, "e1g1", nullptr, Repetition::kAvoided},
      {"Black's king-side castling right alone differs: no repetition", "4k2r/pppppppp/8/8/8/8/8/4K1R1 w - - 0 1", 3,
       "g1h1", "4k2r/pppppppp/8/8/8/8/8/4K2R b k - 0 1", Repetition::kIgnored},
      {"ahead, a move whose reply goes back into the game is avoided", "4k3/8/8/8/8/8/8/4K2R w K - 0 1", 3, "e1g1",
       nullptr, Repetition::kAvoided, "e8d7"},
      {"ahead, a mate whose only reply goes back into the game is no mate", "7k/8/5K2/8/8/8/8/R7 w - - 0 1", 3, "f6f7",
       nullptr, Repetition::kAvoided, "h8h7"},
      {"level 2 does not look at the game", "4k2r/pppppppp/8/8/8/8/8/4K1R1 w - - 0 1", kFullWidthDepth, "g1h1", nullptr,
       Repetition::kIgnored},
  };
  for (const RepetitionCase& c : cases) {
    const Position position = FromFen(c.fen);
    const char side = SideToMove(&position.board, position.lastMove);
    Position earlier = position;
    if (c.earlierFen != nullptr) {
      earlier = FromFen(c.earlierFen);
    } else {
      PlayText(c.move, &earlier);
      if (c.reply != nullptr) PlayText(c.reply, &earlier);
    }
    const std::vector<Position> game = {earlier};
    SearchLimits limits = AtLevel(c.level);
    SearchReport alone{};
    const Move chosenAlone = SearchMove(&position.board, position.lastMove, side, limits, &alone);
    limits.earlier = &game;
    SearchReport report{};
    const Move chosen = SearchMove(&position.board, position.lastMove, side, limits, &report);
    SearchReport plain{};
    const Move plainChoice =
        reference::SearchMove(&position.board, position.lastMove, c.level, side, RulesOfLevel(c.level), &game, &plain);
    EXPECT_EQ(MoveText(chosen), MoveText(plainChoice)) << c.name;
    EXPECT_EQ(report.score, plain.score) << c.name;
    SearchReport clocked{};
    EXPECT_EQ(MoveText(SearchMove(&position.board, position.lastMove, side, OnAFarClock(limits), &clocked)),
              MoveText(plainChoice))
        << c.name << " on a clock";
    EXPECT_EQ(clocked.score, plain.score) << c.name << " on a clock";
    switch (c.expected) {
      case Repetition::kTaken:
        EXPECT_EQ(MoveText(chosen), c.move) << c.name;
        EXPECT_EQ(report.score, 0) << c.name;
        EXPECT_LT(alone.score, 0) << c.name;
        break;
      case Repetition::kAvoided:
        EXPECT_EQ(MoveText(chosenAlone), c.move) << c.name;
        EXPECT_NE(MoveText(chosen), c.move) << c.name;
        EXPECT_GT(report.score, 0) << c.name;
        break;
      case Repetition::kIgnored:
        EXPECT_EQ(MoveText(chosen), MoveText(chosenAlone)) << c.name;
        EXPECT_EQ(report.score, alone.score) << c.name;
        EXPECT_NE(report.score, 0) << c.name;
        break;
    }
  }
}

}  // namespace
