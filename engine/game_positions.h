// Positions as the search tells them apart: a 64-bit key of the pieces, the
// side to move, the castling rights and the en passant square; and the
// game's earlier positions, which the repetition rule compares with.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "engine/move_generation.h"
#include "model/board.h"
#include "model/position.h"

std::uint64_t PositionKey(const SearchBoard& position);

// The eight symmetries of the board, each a choice of three reflections:
// of the files (bit 1), of the ranks (bit 2), and files for ranks (bit 4).
constexpr int kSymmetries = 8;
constexpr int kIdentity = 0;
constexpr int kMirrorFiles = 1;
constexpr int kMirrorRanks = 2;
constexpr int kSwapFilesAndRanks = 4;

// The square a symmetry takes `square` to, and the one it comes from.
constexpr int Reflect(int square, int symmetry) {
  int file = square / kBoardSize;
  int rank = square % kBoardSize;
  if ((symmetry & kMirrorFiles) != 0) file = kBoardSize - 1 - file;
  if ((symmetry & kMirrorRanks) != 0) rank = kBoardSize - 1 - rank;
  return (symmetry & kSwapFilesAndRanks) != 0 ? rank * kBoardSize + file : file * kBoardSize + rank;
}
constexpr int Unreflect(int square, int symmetry) {
  int file = square / kBoardSize;
  int rank = square % kBoardSize;
  if ((symmetry & kSwapFilesAndRanks) != 0) std::swap(file, rank);
  if ((symmetry & kMirrorFiles) != 0) file = kBoardSize - 1 - file;
  if ((symmetry & kMirrorRanks) != 0) rank = kBoardSize - 1 - rank;
  return file * kBoardSize + rank;
}

// The keys of the pieces and the side to move alone (PositionKey less the
// castling rights and en passant) of the position's images under each
// symmetry, into keys[0] to keys[kSymmetries - 1].
void ReflectedPiecesKeys(const PieceSets& sets, Side mover, std::uint64_t* keys);

// A position of the game before the root, as the repetition rule compares
// it: the table's key (pieces, side to move, castling rights, en passant
// square) and the board, which guards against two positions sharing a key.
struct EarlierPosition {
  std::uint64_t key;
  Board board;
};

// The game's positions as the repetition rule compares them; none for null.
std::vector<EarlierPosition> EarlierPositions(const std::vector<Position>* earlier);

// Whether the position is one of `earlier`.
bool IsRepetition(const SearchBoard& position, const std::vector<EarlierPosition>& earlier);
