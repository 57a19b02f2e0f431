#include "frontend/clock.h"

#include <algorithm>

namespace {

using std::chrono::milliseconds;

// The time a move's line takes from the program to the board's clock, and
// the clock's own granularity: never spent.
constexpr std::int64_t kLatencyMarginMs = 100;
// Moves still to come in a game when the board does not say: most games
// are decided within this many more moves, and a game that goes on gets
// more time from the increment or the next control.
constexpr int kTypicalMovesToGo = 30;
// Of the increment, this share in quarters is spent on the move it comes
// with; the rest builds a reserve.
constexpr std::int64_t kIncrementQuartersSpent = 3;
constexpr std::int64_t kQuarters = 4;
// An iteration takes a few times as long as all before it: one started
// after half the share is likely to end near twice the share.
constexpr std::int64_t kSoftDivisor = 2;
// The hard limit: at most this many shares, and never more than this part
// of the time left, so that the moves after it still have time.
constexpr std::int64_t kHardShares = 3;
constexpr std::int64_t kLeftDivisor = 3;
// Before the time control the last move may take more, not all.
constexpr std::int64_t kLastMoveQuartersOfLeft = 3;

}  // namespace

bool HasClock(const Clock& clock) { return clock.leftMs >= 0 || clock.moveTimeMs >= 0; }

Budget BudgetFor(const Clock& clock) {
  if (clock.moveTimeMs >= 0) {
    const milliseconds fixed(std::max<std::int64_t>(clock.moveTimeMs - kLatencyMarginMs, 0));
    return {fixed, fixed};
  }
  const std::int64_t left = std::max<std::int64_t>(clock.leftMs - kLatencyMarginMs, 0);
  const int movesToGo = clock.movesToGo > 0 ? clock.movesToGo : kTypicalMovesToGo;
  const std::int64_t increment = std::max<std::int64_t>(clock.incrementMs, 0);
  const std::int64_t share = left / movesToGo + increment * kIncrementQuartersSpent / kQuarters;
  const std::int64_t cap = movesToGo == 1 ? left * kLastMoveQuartersOfLeft / kQuarters : left / kLeftDivisor;
  const std::int64_t hard = std::min(share * kHardShares, cap);
  return {milliseconds(std::min(share / kSoftDivisor, hard)), milliseconds(hard)};
}
