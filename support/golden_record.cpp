#include "support/golden_record.h"

#include <sstream>
#include <vector>

std::string FormatGoldenRecord(const GoldenRecord& record) {
  std::ostringstream line;
  line << record.fen << " | " << record.move << " | " << record.score << " | " << record.evalWhite << " | "
       << record.evalBlack << " | " << record.legalMoves;
  return line.str();
}

bool ParseGoldenRecord(const std::string& line, GoldenRecord* record) {
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  for (;;) {
    const auto bar = line.find(" | ", start);
    fields.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 3;
  }
  if (fields.size() != 6) return false;
  record->fen = fields[0];
  record->move = fields[1];
  try {
    record->score = std::stoi(fields[2]);
    record->evalWhite = std::stoi(fields[3]);
    record->evalBlack = std::stoi(fields[4]);
    record->legalMoves = std::stoi(fields[5]);
  } catch (...) {
    return false;
  }
  return true;
}
