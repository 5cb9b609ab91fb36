// Finding the next byte of a set with vector compares: each byte's low and
// high half-byte select a bit mask from two 16-entry tables, and the byte is
// in the set when the two masks share a bit. A set whose high half-bytes
// need more than eight distinct low-half patterns is widened to a superset,
// so a hit may be a byte outside the set but no byte of the set is passed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "re/pattern.h"

namespace zub {

struct ByteScan {
  alignas(16) uint8_t lo[16] = {};
  alignas(16) uint8_t hi[16] = {};
};

ByteScan make_byte_scan(const ByteSet& set);

// The first index in [i, n) whose byte may be in the set; n when none.
size_t byte_scan_find(const ByteScan& s, const uint8_t* b, size_t i, size_t n);

// True when byte_scan_find runs on vector instructions on this machine.
bool byte_scan_fast();

}  // namespace zub
