#include "engine/game_positions.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "engine/side.h"
#include "engine/square_set.h"

namespace {

// Position keys: a fixed random number for each piece on each square, for
// Black to move, for each castling right and for each en passant square;
// a position's key is the exclusive or of those that hold in it.
struct KeyNumbers {
  std::uint64_t pieces[kSides][kPieceKinds][kSquareCount];
  std::uint64_t blackToMove;
  std::uint64_t castling[4];
  std::uint64_t enPassant[kSquareCount];
};

inline constexpr KeyNumbers kKeyNumbers = [] {
  KeyNumbers numbers{};
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  auto next = [&state] {  // splitmix64
    state += 0x9E3779B97F4A7C15u;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  };
  for (auto& side : numbers.pieces) {
    for (auto& kind : side) {
      for (std::uint64_t& square : kind) square = next();
    }
  }
  numbers.blackToMove = next();
  for (std::uint64_t& right : numbers.castling) right = next();
  for (std::uint64_t& square : numbers.enPassant) square = next();
  return numbers;
}();

}  // namespace

void ReflectedPiecesKeys(const PieceSets& sets, Side mover, std::uint64_t* keys) {
  constexpr auto kReflections = [] {
    std::array<std::array<std::uint8_t, kSquareCount>, kSymmetries> reflections{};
    for (int symmetry = 0; symmetry < kSymmetries; ++symmetry) {
      for (int square = 0; square < kSquareCount; ++square) {
        reflections[symmetry][square] = static_cast<std::uint8_t>(Reflect(square, symmetry));
      }
    }
    return reflections;
  }();
  std::fill(keys, keys + kSymmetries, mover == Side::kBlack ? kKeyNumbers.blackToMove : 0);
  for (int side = 0; side < kSides; ++side) {
    for (int kind = 0; kind < kPieceKinds; ++kind) {
      for (SquareSet set = sets.pieces[side][kind]; set != kNoSquares;) {
        const int square = TakeFirstSquare(&set);
        for (int symmetry = 0; symmetry < kSymmetries; ++symmetry) {
          keys[symmetry] ^= kKeyNumbers.pieces[side][kind][kReflections[symmetry][square]];
        }
      }
    }
  }
}

std::uint64_t PositionKey(const SearchBoard& position) {
  std::uint64_t key = position.mover == Side::kBlack ? kKeyNumbers.blackToMove : 0;
  for (int side = 0; side < kSides; ++side) {
    for (int kind = 0; kind < kPieceKinds; ++kind) {
      for (SquareSet set = position.sets.pieces[side][kind]; set != kNoSquares;) {
        key ^= kKeyNumbers.pieces[side][kind][TakeFirstSquare(&set)];
      }
    }
  }
  const Move last = position.lastMove;
  const bool rights[] = {GetCastleWhiteQueenSide(last) != 0, GetCastleWhiteKingSide(last) != 0,
                         GetCastleBlackQueenSide(last) != 0, GetCastleBlackKingSide(last) != 0};
  for (int i = 0; i < 4; ++i) key ^= rights[i] ? kKeyNumbers.castling[i] : 0;
  const int enPassant = EnPassantTarget(position);
  if (enPassant != kNoSquare) key ^= kKeyNumbers.enPassant[enPassant];
  return key;
}

std::vector<EarlierPosition> EarlierPositions(const std::vector<Position>* earlier) {
  std::vector<EarlierPosition> positions;
  if (earlier == nullptr) return positions;
  for (const Position& position : *earlier) {
    positions.push_back({PositionKey(MakeSearchBoard(&position.board, position.lastMove)), position.board});
  }
  return positions;
}

bool IsRepetition(const SearchBoard& position, const std::vector<EarlierPosition>& earlier) {
  const std::uint64_t key = PositionKey(position);
  return std::any_of(earlier.begin(), earlier.end(), [&position, key](const EarlierPosition& seen) {
    return seen.key == key &&
           std::equal(std::begin(seen.board.squares), std::end(seen.board.squares), std::begin(position.board.squares));
  });
}
