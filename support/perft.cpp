#include "support/perft.h"

#include "engine/move_generation.h"
#include "model/apply_move.h"
#include "rules/legality.h"

std::int64_t Perft(const Position& position, int depth) {
  if (depth == 0) return 1;
  std::int64_t leaves = 0;
  const std::vector<Move> moves = LegalMoves(&position.board, position.lastMove);
  if (depth == 1) return static_cast<std::int64_t>(moves.size());
  for (Move move : moves) {
    Position child;
    ApplyMove(&position.board, &move, &child.board);
    child.lastMove = move;
    leaves += Perft(child, depth - 1);
  }
  return leaves;
}

std::int64_t SearchGeneratorPerft(const Position& position, int depth) {
  if (depth == 0) return 1;
  MoveList moves;
  GenerateMoves(&position.board, position.lastMove, SideOfLetter(SideToMove(&position.board, position.lastMove)),
                &moves);
  if (depth == 1) return moves.count;
  std::int64_t leaves = 0;
  for (int i = 0; i < moves.count; ++i) {
    Position child;
    child.lastMove = ToMove(moves.moves[i], position.lastMove);
    ApplyMove(&position.board, &child.lastMove, &child.board);
    leaves += SearchGeneratorPerft(child, depth - 1);
  }
  return leaves;
}
