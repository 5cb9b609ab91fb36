// An open-addressing set of 64-bit line fingerprints. Only the hashes are
// kept, so memory grows with the number of distinct lines, never with their
// length. Not thread-safe: one set per filter run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zub {

// Releases slot memory the way it was obtained (large tables are mapped
// directly so they can use huge pages).
struct SlotRelease {
  size_t bytes = 0;
  void operator()(uint64_t* p) const;
};
using SlotArray = std::unique_ptr<uint64_t[], SlotRelease>;

struct LineSet {
  SlotArray slots;  // 0 marks an empty slot
  size_t mask = 0;  // capacity - 1 (capacity a power of two)
  size_t used = 0;
  bool has_zero = false;  // the fingerprint 0 lives outside the slots
};

// An empty set sized for about `expected` entries without regrowing.
LineSet make_line_set(size_t expected);

// Slot where the search for `h` starts; hashes are remixed because the low
// bits of FNV-1a are weak.
inline size_t line_set_home(const LineSet& s, uint64_t h) {
  return static_cast<size_t>((h * 0x9E3779B97F4A7C15ULL) >> 20) & s.mask;
}

// Hints the cache about the slot of `h` ahead of a later insert.
inline void line_set_prefetch(const LineSet& s, uint64_t h) {
  __builtin_prefetch(&s.slots[line_set_home(s, h)]);
}

// Adds `h`; returns true when it was already present.
bool line_set_insert(LineSet& s, uint64_t h);

}  // namespace zub
