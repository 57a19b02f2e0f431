// One line of the golden record of the computer's choices.
#pragma once

#include <string>

struct GoldenRecord {
  std::string fen;
  std::string move;
  int score = 0;
  int evalWhite = 0;
  int evalBlack = 0;
  int legalMoves = 0;
};

// "fen | move | score | eval for White | eval for Black | legal moves"
std::string FormatGoldenRecord(const GoldenRecord& record);
bool ParseGoldenRecord(const std::string& line, GoldenRecord* record);
