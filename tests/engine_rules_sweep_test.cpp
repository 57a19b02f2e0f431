// The engine's attack tests, move generators and reach tests against the
// rules layer, on small positions: one piece of each kind and colour on every
// square, the two kings, and every target square, so that a slip on a corner
// or an edge square cannot hide.
#include <gtest/gtest.h>

#include <cctype>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/evaluation.h"
#include "engine/move_generation.h"
#include "rules/check.h"
#include "rules/king_rules.h"
#include "rules/legality.h"
#include "rules/piece_rules.h"
#include "support/positions.h"
#include "tests/support/test_names.h"
#include "tests/support/test_positions.h"

namespace {

// Where the White and the Black king stand; a placement that clashes with
// the piece's square is skipped. The first gives castling rights to a rook
// in its corner.
constexpr const char* kKingPlacements[][2] = {{"e1", "e8"}, {"a8", "h1"}, {"d4", "e6"}};

int SquareOf(const char* name) { return SquareIndex(name[0] - 'a', name[1] - '1'); }

std::string SquareName(int square) {
  return {static_cast<char>('a' + square / kBoardSize), static_cast<char>('1' + square % kBoardSize)};
}

const char* SideName(Side side) { return side == Side::kWhite ? "White" : "Black"; }

// The White letter of the piece's kind: 'N' for 'n'.
char WhiteLetterOf(char piece) { return static_cast<char>(std::toupper(static_cast<unsigned char>(piece))); }

std::string PieceName(char piece) {
  constexpr std::string_view kLetters = "PNBRQK";
  constexpr const char* kKinds[] = {"pawn", "knight", "bishop", "rook", "queen", "king"};
  return (IsWhitePiece(piece) ? "white " : "black ") + std::string(kKinds[kLetters.find(WhiteLetterOf(piece))]);
}

Side ColourOf(char piece) { return IsWhitePiece(piece) ? Side::kWhite : Side::kBlack; }

Move Between(int from, int to, Move carrier) {
  return BuildMove(from / kBoardSize, from % kBoardSize, to / kBoardSize, to % kBoardSize, carrier);
}

// The record of a last move that leaves `mover` to move: a move onto the
// other side's king, kept on its own square, with the castling rights that
// the kings and rooks on their home squares allow.
Move LastMoveFor(const Board& board, Side mover) {
  auto at = [&board](const char* name, char letter) { return board.squares[SquareOf(name)] == letter; };
  Move last{};
  last.castleWhiteKingSide = at("e1", 'K') && at("h1", 'R');
  last.castleWhiteQueenSide = at("e1", 'K') && at("a1", 'R');
  last.castleBlackKingSide = at("e8", 'k') && at("h8", 'r');
  last.castleBlackQueenSide = at("e8", 'k') && at("a8", 'r');
  const int king = FindPiece(&board, PieceOf(Opponent(mover), 'K'));
  return Between(king, king, last);
}

// Calls visit(board, square, description) for the piece on every square with
// each king placement that does not clash. A king as the piece takes its own
// king's place.
template <typename Visit>
void ForEachPosition(char piece, Visit visit) {
  for (int square = 0; square < kSquareCount; ++square) {
    for (const auto& kings : kKingPlacements) {
      const int white = piece == 'K' ? square : SquareOf(kings[0]);
      const int black = piece == 'k' ? square : SquareOf(kings[1]);
      if (white == black || (piece != 'K' && square == white) || (piece != 'k' && square == black)) continue;
      Board board;
      for (char& c : board.squares) c = kEmptySquare;
      board.squares[white] = 'K';
      board.squares[black] = 'k';
      board.squares[square] = piece;
      visit(board, square,
            PieceName(piece) + " on " + SquareName(square) + ", kings on " + SquareName(white) + " and " +
                SquareName(black));
    }
  }
}

class EngineRulesSweep : public ::testing::TestWithParam<char> {};

// For every target square: the engine's square attacks against the rules'
// (which leave kings out, so a king's step is added by geometry), the
// engine's check test against the rules' with the defending king moved onto
// the target, and the knight, diagonal and line reach tests (what the threat
// term asks) against the movement rules with a piece of either colour on the
// target.
TEST_P(EngineRulesSweep, AttacksAndThreats) {
  const char piece = GetParam();
  ForEachPosition(piece, [piece](const Board& board, int square, const std::string& where) {
    const Move last = LastMoveFor(board, Side::kWhite);
    for (int target = 0; target < kSquareCount; ++target) {
      if (target == square) continue;
      const int file = target / kBoardSize;
      const int rank = target % kBoardSize;
      auto at = [&where, target] { return where + ", target " + SquareName(target); };
      for (Side side : {Side::kWhite, Side::kBlack}) {
        const int king = FindPiece(&board, PieceOf(side, 'K'));
        const bool byKing = king != target && IsKingStep(Between(king, target, last));
        const bool byOthers = side == Side::kWhite ? IsSquareAttackedByWhite(file, rank, &board, last)
                                                   : IsSquareAttackedByBlack(file, rank, &board, last);
        EXPECT_EQ(IsSquareAttackedBy(&board, target, side), byKing || byOthers)
            << at() << ", attacked by " << SideName(side);

        // The king of `side` moved onto the target, where that is free.
        const char ownKing = PieceOf(side, 'K');
        if (board.squares[target] != kEmptySquare && board.squares[target] != ownKing) continue;
        Board moved = board;
        moved.squares[king] = kEmptySquare;
        moved.squares[target] = ownKing;
        const bool inCheck = side == Side::kWhite ? IsWhiteInCheck(&moved, last) : IsBlackInCheck(&moved, last);
        EXPECT_EQ(IsKingInCheck(&moved, side), inCheck) << at() << ", " << SideName(side) << " king there";
      }

      for (Side owner : {Side::kWhite, Side::kBlack}) {
        Board threatened = board;
        char& there = threatened.squares[target];
        if (there == kEmptySquare) there = PieceOf(owner, 'Q');
        if (!IsPieceOf(owner, there)) continue;
        const Move reach = Between(square, target, last);
        const bool enemy = ColourOf(piece) != owner;
        auto is = [piece, enemy](char whiteLetter) { return enemy && WhiteLetterOf(piece) == whiteLetter; };
        auto on = [&at, there] { return at() + ", " + PieceName(there) + " there"; };
        auto enemyLetter = [owner](char whiteLetter) { return PieceOf(Opponent(owner), whiteLetter); };
        EXPECT_EQ(IsReachedByKnight(&threatened, target, enemyLetter('N')), is('N') && KnightRule(reach)) << on();
        EXPECT_EQ(IsReachedAlongDiagonals(&threatened, target, enemyLetter('B')),
                  is('B') && BishopRule(reach, &threatened))
            << on();
        EXPECT_EQ(IsReachedAlongLines(&threatened, target, enemyLetter('R')), is('R') && RookRule(reach, &threatened))
            << on();
      }
    }
  });
}

// The generated moves of `mover`, its captures and the any-move test
// against the legality test, in the same order.
void ExpectSameMoves(const Board& board, Move last, Side mover, const std::string& where) {
  std::string legal;
  std::string captures;
  for (const Move& move : LegalMoves(&board, last)) {
    legal += MoveText(move) + " ";
    if (IsPieceOf(Opponent(mover), PieceAt(&board, move.toFile, move.toRank))) captures += MoveText(move) + " ";
  }
  auto text = [last](const MoveList& list) {
    std::string moves;
    for (int i = 0; i < list.count; ++i) moves += MoveText(ToMove(list.moves[i], last)) + " ";
    return moves;
  };
  MoveList list;
  GenerateMoves(&board, last, mover, &list);
  EXPECT_EQ(text(list), legal) << where << ", " << SideName(mover) << " to move";
  GenerateCaptures(&board, last, mover, &list);
  EXPECT_EQ(text(list), captures) << where << ", " << SideName(mover) << " to move";
  EXPECT_EQ(HasLegalMove(&board, last, mover), !legal.empty()) << where << ", " << SideName(mover) << " to move";
}

// The same for each of `movers` in a small position.
void ExpectSameMoves(const Board& board, const std::string& where, std::initializer_list<Side> movers) {
  for (Side mover : movers) ExpectSameMoves(board, LastMoveFor(board, mover), mover, where);
}

// And in well-known positions full of castling, promotions and en passant.
TEST(MoveGenerationTest, SameMovesAsTheLegalityTest) {
  for (const char* fen : {kKiwipete, kPromotions, kPromotionByCapture, kEnPassantF6}) {
    const Position position = FromFen(fen);
    ExpectSameMoves(position.board, position.lastMove, SideOfLetter(SideToMove(&position.board, position.lastMove)),
                    fen);
  }
}

// The moves of both sides in the small positions; then, for the piece's
// side, the same with an enemy knight to capture on each other square in
// turn (with the first king placement that leaves that square free).
TEST_P(EngineRulesSweep, Moves) {
  const char piece = GetParam();
  const char victim = PieceOf(Opponent(ColourOf(piece)), 'N');
  bool tried[kSquareCount][kSquareCount] = {};  // the piece's square, the knight's
  ForEachPosition(piece, [&](const Board& board, int square, const std::string& where) {
    ExpectSameMoves(board, where, {Side::kWhite, Side::kBlack});
    for (int target = 0; target < kSquareCount; ++target) {
      if (board.squares[target] != kEmptySquare || tried[square][target]) continue;
      tried[square][target] = true;
      Board withVictim = board;
      withVictim.squares[target] = victim;
      ExpectSameMoves(withVictim, where + ", " + PieceName(victim) + " on " + SquareName(target), {ColourOf(piece)});
    }
  });
}

INSTANTIATE_TEST_SUITE_P(EveryPiece, EngineRulesSweep,
                         ::testing::Values('P', 'N', 'B', 'R', 'Q', 'K', 'p', 'n', 'b', 'r', 'q', 'k'),
                         [](const ::testing::TestParamInfo<char>& info) { return CaseName(PieceName(info.param)); });

}  // namespace
