// Fast substring search for the search commands. A needle is prepared once
// (its two rarest bytes are picked by a frequency table of source text) and
// then searched with vector compares on both bytes at once, verifying only
// the candidate positions. Prepared needles are read-only: thread-safe.
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
};

// Prepares `bytes` for searching; with `icase`, ASCII letters are lowered and
// the search ignores ASCII case.
Needle make_needle(std::string_view bytes, bool icase);

// First occurrence of the needle in `hay` at or after `from`; npos when
// absent. An empty needle is found at `from` (when from <= hay.size()).
size_t needle_find(const Needle& n, std::string_view hay, size_t from = 0);

// Number of bytes equal to `b` in [p, p + n).
size_t count_byte(const char* p, size_t n, char b);

}  // namespace zub
