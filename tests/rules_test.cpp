// Rule tests on positions, and move-generation counts against published
// figures.
#include <gtest/gtest.h>

#include "model/apply_move.h"
#include "rules/check.h"
#include "rules/game_end.h"
#include "rules/king_rules.h"
#include "rules/legality.h"
#include "rules/piece_rules.h"
#include "support/perft.h"
#include "support/positions.h"
#include "tests/support/test_names.h"
#include "tests/support/test_positions.h"

namespace {

Position Start() { return FromFen(kStartFen); }

int Legal(const Position& position, const std::string& move) {
  return IsLegalMove(ParseCoordinateMove(move, position.lastMove), &position.board, position.lastMove);
}

// Counting through the legality test is slow: the counts of at most a
// million leaves (the search's generator counts them all, in engine_test).
constexpr std::int64_t kLegalityPerftLeaves = 1000000;

TEST(PerftTest, MatchesPublishedCounts) {
  for (const PerftCount& c : kPublishedPerft) {
    if (c.leaves > kLegalityPerftLeaves) continue;
    EXPECT_EQ(Perft(FromFen(c.fen), c.depth), c.leaves) << c.fen << " depth " << c.depth;
  }
}

struct LegalityCase {
  const char* name;
  const char* fen;
  const char* move;
  int legal;
};

void PrintTo(const LegalityCase& c, std::ostream* os) { *os << c.name; }

class LegalityTest : public ::testing::TestWithParam<LegalityCase> {};

TEST_P(LegalityTest, Judges) {
  const LegalityCase& c = GetParam();
  EXPECT_EQ(Legal(FromFen(c.fen), c.move), c.legal) << c.name;
}

constexpr const char* kQueenSideOpen = "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1";

constexpr LegalityCase kLegalityCases[] = {
    {"white opens with the king's pawn", kStartFen, "e2e4", 1},
    {"black may not move first", kStartFen, "e7e5", 0},
    {"pawn may not jump three", kStartFen, "e2e5", 0},
    {"pawn may not step diagonally onto nothing", kStartFen, "e2d3", 0},
    {"knight jumps the pawns", kStartFen, "g1f3", 1},
    {"knight may not take its own pawn", kStartFen, "g1e2", 0},
    {"empty origin", kStartFen, "e3e4", 0},
    {"origin equals target", kStartFen, "e2e2", 0},
    {"bishop blocked by own pawn", kStartFen, "c1e3", 0},
    {"pinned knight may not leave the file", "4r1k1/8/8/8/8/8/4N3/4K3 w - - 0 1", "e2c3", 0},
    {"king may not step into a rook's file", "4r1k1/8/8/8/8/8/8/3K4 w - - 0 1", "d1e1", 0},
    {"a check must be answered", "4k3/8/8/8/8/8/8/r3K2R w - - 0 1", "h1h5", 0},
    {"capturing the checking piece", "4k3/8/8/8/8/8/3q4/4K3 w - - 0 1", "e1d2", 1},
    {"blocking a check", "4k3/4r3/8/8/8/8/8/2B1K3 w - - 0 1", "c1e3", 1},
    {"castling king side", kQueenSideOpen, "e1g1", 1},
    {"castling queen side", kQueenSideOpen, "e1c1", 1},
    {"castling without the right", "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w kq - 0 1", "e1g1", 0},
    {"black castles king side", "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1", "e8g8", 1},
    {"black may not castle onto rank 1", "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1", "e8g1", 0},
    {"castling out of check", "r3k2r/pppp1ppp/8/8/8/8/PPP2PPP/R3K2R w KQkq - 0 1", "e1g1", 1},
    {"no castling while in check", "r3k2r/pppp1ppp/8/8/8/8/PPP1rPPP/R3K2R w KQkq - 0 1", "e1g1", 0},
    {"no castling through an attacked square", "r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", "e1g1", 0},
    {"a bishop on d1's diagonal stops only the queen side", "4k3/8/8/8/6b1/8/8/R3K2R w KQ - 0 1", "e1c1", 0},
    {"the same bishop leaves the king side free", "4k3/8/8/8/6b1/8/8/R3K2R w KQ - 0 1", "e1g1", 1},
    // Every square between king and rook must be empty, and so must the
    // king's target: a knight on b1 is not jumped over, a piece on c1 or
    // g1 is not captured by castling.
    {"knight still on b1", "4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", "e1c1", 0},
    {"bishop still on c1", "4k3/8/8/8/8/8/8/R1B1K2R w KQ - 0 1", "e1c1", 0},
    {"enemy knight on c1 is not captured by castling", "4k3/8/8/8/8/8/8/R1n1K2R w KQ - 0 1", "e1c1", 0},
    {"enemy knight on g1 is not captured by castling", "4k3/8/8/8/8/8/8/R3K1nR w KQ - 0 1", "e1g1", 0},
    {"black knight still on b8", "rn2k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "e8c8", 0},
    {"black knight still on g8", "r3k1nr/8/8/8/8/8/8/4K3 b kq - 0 1", "e8g8", 0},
    // A pawn attacks diagonally: a Black pawn on e2 guards d1 and f1, one
    // on b2 guards c1, one on h2 guards g1.
    {"black pawn on e2 stops king side castling", "4k3/8/8/8/8/8/4p3/R3K2R w KQ - 0 1", "e1g1", 0},
    {"black pawn on e2 stops queen side castling", "4k3/8/8/8/8/8/4p3/R3K2R w KQ - 0 1", "e1c1", 0},
    {"black pawn on b2 stops queen side castling", "4k3/8/8/8/8/8/1p6/R3K2R w KQ - 0 1", "e1c1", 0},
    {"black pawn on h2 stops king side castling", "4k3/8/8/8/8/8/7p/R3K2R w KQ - 0 1", "e1g1", 0},
    {"black pawn on c2 guards d1", "4k3/8/8/8/8/8/2p5/R3K2R w KQ - 0 1", "e1c1", 0},
    {"black pawn on g2 leaves the queen side free", "4k3/8/8/8/8/8/6p1/R3K2R w KQ - 0 1", "e1c1", 1},
    {"white pawn on e7 stops black castling", "r3k2r/4P3/8/8/8/8/8/4K3 b kq - 0 1", "e8g8", 0},
    {"white pawn on g7 guards f8 and h8", "r3k2r/6P1/8/8/8/8/8/4K3 b kq - 0 1", "e8c8", 1},
    {"en passant right after the double step", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", 1},
    {"en passant that would expose the king", "8/8/8/K2pP2r/8/8/8/4k3 w - d6 0 1", "e5d6", 0},
};

INSTANTIATE_TEST_SUITE_P(Positions, LegalityTest, ::testing::ValuesIn(kLegalityCases), NamedCase());

TEST(LegalityTest, EnPassantOnlyOnTheNextMove) {
  const Position now = Play({"e2e4", "a7a6", "e4e5", "d7d5"});
  EXPECT_EQ(Legal(now, "e5d6"), 1);
  const Position tooLate = Play({"e2e4", "a7a6", "e4e5", "d7d5", "g1f3", "a6a5"});
  EXPECT_EQ(Legal(tooLate, "e5d6"), 0);
  const Position black = Play({"a2a3", "d7d5", "a3a4", "d5d4", "e2e4"});
  EXPECT_EQ(Legal(black, "d4e3"), 1);
}

TEST(LegalityTest, RefusesCoordinatesOffTheBoard) {
  const Position start = Start();
  for (const Move& move : {BuildMove(-1, 1, 4, 3, start.lastMove), BuildMove(4, 1, 8, 3, start.lastMove),
                           BuildMove(4, 1, 4, 8, start.lastMove), BuildMove(260, 1, 4, 3, start.lastMove)}) {
    EXPECT_EQ(IsLegalMove(move, &start.board, start.lastMove), 0);
  }
}

// A king's castling move is no attack: a White king on c8 next to nothing
// is not in check from a Black king on e8 that may still castle.
TEST(CheckTest, CastlingRightIsNoAttack) {
  const Position queenSide = FromFen("rnK1k3/8/8/8/8/8/8/8 w q - 0 1");
  EXPECT_EQ(queenSide.lastMove.castleBlackQueenSide, 1);
  EXPECT_EQ(IsWhiteInCheck(&queenSide.board, queenSide.lastMove), 0);
  const Position adjacent = FromFen("3Kk3/8/8/8/8/8/8/8 w - - 0 1");
  EXPECT_EQ(IsWhiteInCheck(&adjacent.board, adjacent.lastMove), 1);
}

struct CheckCase {
  const char* fen;
  int whiteInCheck;
  int blackInCheck;
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.fen; }

class CheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckTest, FindsAttackedKings) {
  const Position position = FromFen(GetParam().fen);
  EXPECT_EQ(IsWhiteInCheck(&position.board, position.lastMove), GetParam().whiteInCheck) << GetParam().fen;
  EXPECT_EQ(IsBlackInCheck(&position.board, position.lastMove), GetParam().blackInCheck) << GetParam().fen;
}

INSTANTIATE_TEST_SUITE_P(Positions, CheckTest,
                         ::testing::Values(CheckCase{kStartFen, 0, 0},
                                           CheckCase{"4k3/8/8/8/8/8/3p4/4K3 w - - 0 1", 1, 0},
                                           CheckCase{"4k3/8/8/8/8/8/4p3/4K3 w - - 0 1", 0, 0},
                                           CheckCase{"R3k3/8/8/8/8/8/8/4K3 b - - 0 1", 0, 1},
                                           CheckCase{"R1n1k3/8/8/8/8/8/8/4K3 b - - 0 1", 0, 0},
                                           CheckCase{"4k3/8/8/8/8/8/8/4K2n w - - 0 1", 0, 0},
                                           CheckCase{"4k3/8/8/8/8/3n4/8/4K3 w - - 0 1", 1, 0},
                                           CheckCase{"4k3/3P4/8/8/8/8/8/4K3 b - - 0 1", 0, 1}),
                         IndexedCase());

TEST(AttackTest, SquaresAttackedByPieces) {
  const Position start = Start();
  for (int file : {kFileC, kFileD, kFileF, kFileG}) {
    EXPECT_EQ(IsSquareAttackedByBlack(file, kRank1, &start.board, start.lastMove), 0);
  }
  const Position pawn = FromFen("4k3/8/8/8/8/8/2p5/4K3 w - - 0 1");
  EXPECT_EQ(IsSquareAttackedByBlack(kFileD, kRank1, &pawn.board, pawn.lastMove), 1);
  EXPECT_EQ(IsSquareAttackedByBlack(kFileB, kRank1, &pawn.board, pawn.lastMove), 1);
  EXPECT_EQ(IsSquareAttackedByBlack(kFileC, kRank1, &pawn.board, pawn.lastMove), 0);
  // Kings are not asked.
  const Position king = FromFen("8/8/8/8/8/8/3k4/6K1 w - - 0 1");
  EXPECT_EQ(IsSquareAttackedByBlack(kFileD, kRank1, &king.board, king.lastMove), 0);
}

TEST(PieceRuleTest, Geometry) {
  const Position start = Start();
  const Move last = start.lastMove;
  EXPECT_EQ(KnightRule(BuildMove(0, 0, 1, 2, last)), 1);
  EXPECT_EQ(KnightRule(BuildMove(0, 0, 2, 1, last)), 1);
  EXPECT_EQ(KnightRule(BuildMove(0, 0, 1, 1, last)), 0);
  EXPECT_EQ(KnightRule(BuildMove(3, 3, 3, 3, last)), 0);
  const Position rook = FromFen("r3k3/8/8/R7/8/8/8/R3K3 w - - 0 1");
  EXPECT_EQ(RookRule(BuildMove(0, 0, 0, 7, last), &rook.board), 0);
  EXPECT_EQ(RookRule(BuildMove(0, 4, 0, 7, last), &rook.board), 1);
  EXPECT_EQ(BishopRule(BuildMove(2, 0, 7, 4, last), &start.board), 0);
  EXPECT_EQ(QueenRule(BuildMove(3, 3, 4, 5, last), &start.board), 0);
  EXPECT_EQ(RookRule(BuildMove(3, 3, 3, 3, last), &start.board), 1);
  EXPECT_EQ(BishopRule(BuildMove(3, 3, 3, 3, last), &start.board), 1);
}

struct GameEndCase {
  const char* name;
  const char* fen;
  int result;
};

void PrintTo(const GameEndCase& c, std::ostream* os) { *os << c.name; }

class GameEndTest : public ::testing::TestWithParam<GameEndCase> {};

TEST_P(GameEndTest, Decides) {
  const Position position = FromFen(GetParam().fen);
  EXPECT_EQ(CheckGameEnd(&position.board, position.lastMove), GetParam().result) << GetParam().name;
}

constexpr GameEndCase kGameEndCases[] = {
    {"initial position", kStartFen, kGameGoesOn},
    {"fool's mate", "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", kCheckmate},
    {"queen stalemates the corner king", "k7/8/1Q6/8/8/8/8/4K3 b - - 0 1", kStalemate},
    {"queen mates next to her king", "k7/1Q6/2K5/8/8/8/8/8 b - - 0 1", kCheckmate},
    {"the same board with White to move", "k7/8/1Q6/8/8/8/8/4K3 w - - 0 1", kGameGoesOn},
};

INSTANTIATE_TEST_SUITE_P(Positions, GameEndTest, ::testing::ValuesIn(kGameEndCases), NamedCase());

TEST(GameEndTest, FoolsMatePlayed) {
  const Position mate = Play({"f2f3", "e7e5", "g2g4", "d8h4"});
  EXPECT_EQ(CheckGameEnd(&mate.board, mate.lastMove), kCheckmate);
}

}  // namespace
