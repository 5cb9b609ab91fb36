#include "compress/line_set.h"

#include <sys/mman.h>

namespace zub {

namespace {

constexpr size_t kMapThreshold = size_t{2} << 20;

// Zeroed slots. Tables of millions of lines are probed at random, so each
// probe would miss the TLB with small pages; mapping them directly and
// asking for huge pages removes most of those misses.
SlotArray allocate_slots(size_t count) {
  const size_t bytes = count * sizeof(uint64_t);
  if (bytes >= kMapThreshold) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p != MAP_FAILED) {
#ifdef MADV_HUGEPAGE
      madvise(p, bytes, MADV_HUGEPAGE);
#endif
      return SlotArray(static_cast<uint64_t*>(p), SlotRelease{bytes});
    }
  }
  return SlotArray(new uint64_t[count](), SlotRelease{0});
}

size_t capacity_for(size_t expected) {
  size_t cap = 1024;
  while (cap / 10 * 8 < expected) cap *= 2;
  return cap;
}

void grow(LineSet& s) {
  const size_t old_cap = s.mask + 1;
  SlotArray old = std::move(s.slots);
  s.slots = allocate_slots(old_cap * 2);
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

void SlotRelease::operator()(uint64_t* p) const {
  if (bytes != 0) {
    munmap(p, bytes);
  } else {
    delete[] p;
  }
}

LineSet make_line_set(size_t expected) {
  LineSet s;
  const size_t cap = capacity_for(expected);
  s.slots = allocate_slots(cap);
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
  // Linear probing stays short up to about 80% load, and a probe run rarely
  // leaves the cache line fetched for its home slot; the table is the
  // largest piece of fresh memory a run touches, so it is kept dense.
  if (++s.used * 10 > (s.mask + 1) * 8) grow(s);
  return false;
}

}  // namespace zub
