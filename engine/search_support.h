// What the engine's two searches share: tables taken zeroed from the
// system, and the look at the clock and the input every few thousand
// positions.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <type_traits>

// A table whose storage comes from the system zeroed, so that every entry
// starts empty (each page costs only when it is first touched), and goes
// back with free.
struct FreeStorage {
  void operator()(void* storage) const { std::free(storage); }
};
template <typename Entry>
using ZeroedTable = std::unique_ptr<Entry[], FreeStorage>;

// A table of `entries` empty entries; null when there is no memory for it.
template <typename Entry>
ZeroedTable<Entry> TakeZeroedTable(std::size_t entries) {
  static_assert(std::is_trivial_v<Entry>, "zeroed storage holds empty entries");
  return ZeroedTable<Entry>(static_cast<Entry*>(std::calloc(entries, sizeof(Entry))));
}

// How often, in positions visited, a search that may be abandoned looks at
// the clock and the input: a power of two, so the test is a mask.
constexpr std::int64_t kCheckEvery = 4096;

// Whether the search, at its `nodes`-th position, is to be abandoned: every
// kCheckEvery positions, when the clock has reached `stopBy` or the input
// says so (`interrupted` may be empty).
inline bool ClockOrInputStops(std::int64_t nodes, std::chrono::steady_clock::time_point stopBy,
                              const std::function<bool()>& interrupted) {
  return (nodes & (kCheckEvery - 1)) == 0 &&
         (std::chrono::steady_clock::now() >= stopBy || (interrupted && interrupted()));
}
