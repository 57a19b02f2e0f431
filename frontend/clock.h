// The board's clock and what the engine spends of it on one move. Both
// protocols tell the same things in their own words: the time left, the
// increment, the moves to the next time control, or a fixed time a move.
#pragma once

#include <chrono>
#include <cstdint>

// What the board has said about the engine's time, in milliseconds; a
// negative value when it has said nothing of it.
struct Clock {
  std::int64_t leftMs = -1;
  std::int64_t incrementMs = 0;
  // Moves to make before more time comes; 0 when the whole game (or
  // unknown).
  int movesToGo = 0;
  // A fixed time for each move, instead of the rest.
  std::int64_t moveTimeMs = -1;
};

bool HasClock(const Clock& clock);

// When to stop starting deeper iterations (`soft`), and when to abandon
// the one running (`hard`), counted from the start of the search.
struct Budget {
  std::chrono::milliseconds soft;
  std::chrono::milliseconds hard;
};

// A share of the time left (divided among the moves to go, or a typical
// number of moves when not told), most of the increment, and never so much
// that the next moves are short: the hard limit stays well below what is
// left, less a margin for the time the board and the pipes take.
Budget BudgetFor(const Clock& clock);
