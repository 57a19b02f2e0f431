// Reads lines "FEN;depth" and prints, for each, the number of leaves of the
// tree of legal moves (a promotion counts once: pawns always become queens).
// A line that is no position prints "error". By default the moves are those
// of the legality test; with --search-generator, those of the search's own
// move generator.
#include <cstdio>
#include <iostream>
#include <cstring>
#include <string>

#include "engine/move_generation.h"
#include "model/apply_move.h"
#include "rules/legality.h"

#include "tests/support/positions.h"

namespace {

std::int64_t SearchGeneratorPerft(const Position& position, int depth) {
  if (depth == 0) return 1;
  MoveList moves;
  GenerateLegalMoves(&position.board, position.lastMove, SideToMove(&position.board, position.lastMove), false,
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

}  // namespace

int main(int argc, char** argv) {
  const bool searchGenerator = argc > 1 && std::strcmp(argv[1], "--search-generator") == 0;
  std::string line;
  while (std::getline(std::cin, line)) {
    const auto separator = line.rfind(';');
    Position position;
    if (separator == std::string::npos || !PositionFromFen(line.substr(0, separator), &position)) {
      std::cout << "error" << std::endl;
      continue;
    }
    const int depth = std::stoi(line.substr(separator + 1));
    std::cout << (searchGenerator ? SearchGeneratorPerft(position, depth) : Perft(position, depth)) << std::endl;
  }
  return 0;
}
