// Reads lines "FEN;depth" and prints, for each, the number of leaves of the
// tree of legal moves (a promotion counts once: pawns always become queens).
// A line that is no position prints "error". By default the moves are those
// of the legality test; with --search-generator, those of the search's own
// move generator.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "support/perft.h"
#include "support/positions.h"

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
