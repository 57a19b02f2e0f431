// Setting up the board and playing moves on it.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "model/apply_move.h"
#include "support/positions.h"
#include "tests/support/test_names.h"
#include "tests/support/test_positions.h"

namespace {

TEST(SetUpBoardTest, InitialPositionAndRecord) {
  Board board;
  Move last;
  std::memset(&board, 'x', sizeof board);
  SetUpBoard(&board, &last);
  // Squares numbered file by file from a1: a1 0, a2 1, ..., h8 63.
  constexpr std::pair<int, char> kPieces[] = {{0, 'R'},  {1, 'P'},  {6, 'p'},  {7, 'r'},  {24, 'Q'},
                                              {31, 'q'}, {32, 'K'}, {39, 'k'}, {56, 'R'}, {63, 'r'}};
  for (const auto& [square, piece] : kPieces) EXPECT_EQ(board.squares[square], piece) << "square " << square;
  for (int file = 0; file < 8; ++file) {
    for (int rank = kRank3; rank <= kRank6; ++rank) EXPECT_EQ(PieceAt(&board, file, rank), '-');
  }
  EXPECT_EQ(last.toFile, kFileE);
  EXPECT_EQ(last.toRank, kRank8);
  EXPECT_EQ(last.castleWhiteQueenSide + last.castleWhiteKingSide + last.castleBlackQueenSide + last.castleBlackKingSide,
            4);
}

TEST(BuildMoveTest, CarriesRightsAndKeepsLowBits) {
  const Move carrier{7, 7, 1, 1, 1, 0, 1, 0};
  const Move move = BuildMove(4, 1, 4, 3, carrier);
  EXPECT_EQ(move.fromFile, 4);
  EXPECT_EQ(move.toRank, 3);
  EXPECT_EQ(move.castleWhiteQueenSide, 1);
  EXPECT_EQ(move.castleWhiteKingSide, 0);
  EXPECT_EQ(GetFromFile(BuildMove(99, 0, 0, 0, carrier)), 99);
  EXPECT_EQ(GetFromFile(BuildMove(257, 0, 0, 0, carrier)), 1);
}

struct ApplyCase {
  const char* name;
  const char* before;
  const char* move;
  const char* after;  // placement, side and castling of the result
};

class ApplyMoveTest : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(ApplyMoveTest, PlaysTheMove) {
  const ApplyCase& c = GetParam();
  const Position before = FromFen(c.before);
  Move move = ParseCoordinateMove(c.move, before.lastMove);
  // The letter after the squares, as given: only r, b and n of either case
  // promote to anything but a queen.
  const std::string squares = std::string(c.move).substr(0, 4);
  const char promotion = squares.size() < std::strlen(c.move) ? c.move[4] : kQueenPromotion;
  Position separate;
  Move moveCopy = move;
  ApplyMovePromotingTo(&before.board, &moveCopy, promotion, &separate.board);
  separate.lastMove = moveCopy;
  Position inPlace = before;
  ApplyMovePromotingTo(&inPlace.board, &move, promotion, &inPlace.board);
  inPlace.lastMove = move;
  EXPECT_EQ(std::memcmp(&separate.board, &inPlace.board, sizeof(Board)), 0) << c.name;
  const std::string fen = FenFromPosition(inPlace);
  EXPECT_EQ(fen.substr(0, fen.find(" 0 1")), c.after) << c.name;
  EXPECT_EQ(MoveText(move), squares) << c.name;
}

constexpr ApplyCase kApplyCases[] = {
    {"white castles king side", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", "r3k2r/8/8/8/8/8/8/R4RK1 b kq -"},
    {"white castles queen side", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1c1", "r3k2r/8/8/8/8/8/8/2KR3R b kq -"},
    {"black castles king side", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8g8", "r4rk1/8/8/8/8/8/8/R3K2R w KQ -"},
    {"a king step gives up both rights", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1f1",
     "r3k2r/8/8/8/8/8/8/R4K1R b kq -"},
    {"a rook leaving a1", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1a5", "r3k2r/8/8/R7/8/8/8/4K2R b Kkq -"},
    {"a bishop taking on h8", "r3k2r/8/8/8/8/2B5/8/R3K2R w KQkq - 0 1", "c3h8", "r3k2B/8/8/8/8/8/8/R3K2R b KQq -"},
    {"promotion to a queen", "4k3/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8", "4Q3/8/8/8/8/8/8/4K3 b - -"},
    {"promotion to the knight named in upper case", "4k3/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8N",
     "4N3/8/8/8/8/8/8/4K3 b - -"},
    {"a letter that names no piece promotes to a queen", "4k3/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8x",
     "4Q3/8/8/8/8/8/8/4K3 b - -"},
    {"capturing promotion", "3rk3/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7d8", "3Qk3/8/8/8/8/8/8/4K3 b - -"},
    {"black promotes on rank 1", "4k3/8/8/8/8/8/p7/4K3 b - - 0 1", "a2a1", "4k3/8/8/8/8/8/8/q3K3 w - -"},
    {"en passant removes the passed pawn", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "4k3/8/3P4/8/8/8/8/4K3 b - -"},
    {"a capture onto d6 leaves d5 alone", "4k3/8/3n4/3pP3/8/8/8/4K3 w - - 0 1", "e5d6",
     "4k3/8/3P4/3p4/8/8/8/4K3 b - -"},
};

INSTANTIATE_TEST_SUITE_P(Moves, ApplyMoveTest, ::testing::ValuesIn(kApplyCases), NamedCase());

}  // namespace
