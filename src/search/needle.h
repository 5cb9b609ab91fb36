// Fast substring search for the search commands. A needle is prepared once
// (its two rarest bytes are picked by a frequency table of source text) and
// then searched with vector compares on both bytes at once, verifying only
// the candidate positions. Verifying is charged against the bytes scanned:
// a needle that keeps nearly matching (long periodic needles in periodic
// text) hands the rest of the search to the Two-Way algorithm, which is
// linear in the worst case. Prepared needles are read-only: thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zub {

struct Needle {
  std::string bytes;  // ASCII-lowered when icase
  bool icase = false;
  size_t i1 = 0, i2 = 0;  // offsets of the two rarest bytes
  // Two-Way factorization of `bytes`: the critical position, the period of
  // the right half's comparison, and whether the needle is periodic (its
  // prefix up to the critical position repeats after `period` bytes).
  size_t tw_split = 0;
  size_t tw_period = 1;
  bool tw_periodic = false;
};

// Prepares `bytes` for searching; with `icase`, ASCII letters are lowered and
// the search ignores ASCII case.
Needle make_needle(std::string_view bytes, bool icase);

// First occurrence of the needle in `hay` at or after `from`; npos when
// absent. An empty needle is found at `from` (when from <= hay.size()).
size_t needle_find(const Needle& n, std::string_view hay, size_t from = 0);

// The same answer by the Two-Way algorithm alone (linear in the worst case,
// constant extra space): the fallback of needle_find, exposed for tests.
size_t needle_find_two_way(const Needle& n, std::string_view hay, size_t from = 0);

// Number of bytes equal to `b` in [p, p + n).
size_t count_byte(const char* p, size_t n, char b);

}  // namespace zub
