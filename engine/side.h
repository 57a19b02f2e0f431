// The two sides, as the engine names them. The front ends speak in side
// letters; the engine reads 'B' as Black and every other letter as White,
// the way the evaluation's side argument is read.
#pragma once

#include "model/board.h"

enum class Side { kWhite, kBlack };

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
