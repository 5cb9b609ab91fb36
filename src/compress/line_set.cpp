#include "compress/line_set.h"

namespace zub {

namespace {

size_t capacity_for(size_t expected) {
  size_t cap = 1024;
  // Keep the load at or below one half so probe runs stay short.
  while (cap / 2 < expected) cap *= 2;
  return cap;
}

void grow(LineSet& s) {
  const size_t old_cap = s.mask + 1;
  std::unique_ptr<uint64_t[]> old = std::move(s.slots);
  s.slots = std::make_unique<uint64_t[]>(old_cap * 2);
  s.mask = old_cap * 2 - 1;
  for (size_t i = 0; i < old_cap; ++i) {
    const uint64_t h = old[i];
    if (h == 0) continue;
    size_t at = line_set_home(s, h);
    while (s.slots[at] != 0) at = (at + 1) & s.mask;
    s.slots[at] = h;
  }
}

}  // namespace

LineSet make_line_set(size_t expected) {
  LineSet s;
  const size_t cap = capacity_for(expected);
  s.slots = std::make_unique<uint64_t[]>(cap);
  s.mask = cap - 1;
  return s;
}

bool line_set_insert(LineSet& s, uint64_t h) {
  if (h == 0) {
    const bool seen = s.has_zero;
    s.has_zero = true;
    return seen;
  }
  size_t at = line_set_home(s, h);
  while (true) {
    const uint64_t v = s.slots[at];
    if (v == h) return true;
    if (v == 0) break;
    at = (at + 1) & s.mask;
  }
  s.slots[at] = h;
  if (++s.used * 10 > (s.mask + 1) * 7) grow(s);
  return false;
}

}  // namespace zub
