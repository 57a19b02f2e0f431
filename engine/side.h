// The two sides and the six kinds of piece, as the engine names them. The
// front ends speak in side letters; the engine reads 'B' as Black and every
// other letter as White, the way the evaluation's side argument is read.
#pragma once

#include <array>
#include <cassert>

#include "model/board.h"

enum class Side { kWhite, kBlack };

// Tables kept per side are indexed White first.
constexpr int kSides = 2;
constexpr int IndexOf(Side side) { return static_cast<int>(side); }

constexpr Side Opponent(Side side) { return side == Side::kWhite ? Side::kBlack : Side::kWhite; }

constexpr Side SideOfLetter(char letter) { return letter == kBlackSide ? Side::kBlack : Side::kWhite; }

// Whether the letter is one of the side's pieces ('-' belongs to neither).
constexpr bool IsPieceOf(Side side, char letter) {
  return side == Side::kWhite ? IsWhitePiece(letter) : IsBlackPiece(letter);
}

// A piece letter of the side: PieceOf(Side::kBlack, 'K') is 'k'.
constexpr char PieceOf(Side side, char whiteLetter) {
  return side == Side::kWhite ? whiteLetter : static_cast<char>(whiteLetter - 'A' + 'a');
}

constexpr Side SideOfPiece(char letter) { return IsWhitePiece(letter) ? Side::kWhite : Side::kBlack; }

// The kinds of piece, in the order of the letters PNBRQK.
enum PieceKind { kPawn, kKnight, kBishop, kRook, kQueen, kKing, kPieceKinds };

constexpr char kWhiteLetters[kPieceKinds + 1] = "PNBRQK";
constexpr char LetterOf(Side side, PieceKind kind) { return PieceOf(side, kWhiteLetters[kind]); }

// The kind of every piece letter of either side, by the letter's code.
inline constexpr auto kKindOfLetter = [] {
  std::array<PieceKind, 128> kinds{};
  for (int kind = 0; kind < kPieceKinds; ++kind) {
    for (Side side : {Side::kWhite, Side::kBlack}) kinds[LetterOf(side, PieceKind(kind))] = PieceKind(kind);
  }
  return kinds;
}();

// The kind of a piece letter of either side; the letter must be a piece.
constexpr PieceKind KindOf(char letter) {
  assert(IsWhitePiece(letter) || IsBlackPiece(letter));
  return kKindOfLetter[static_cast<unsigned char>(letter)];
}
