// What the readers of documents and configuration files share, internal to
// src/code/: blank and comment lines around a section and words compared
// without case.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "code/head_scan.h"

namespace zub::code {

inline bool is_blank_line(std::string_view l) { return trim(l).empty(); }

// The last line in [from, to] that is not blank and, when `comment` is not
// 0, does not start with it after white space; `from` when there is none.
// A section ends there: the blank lines and the comments that introduce the
// next item are not part of it.
inline size_t last_filled(const std::vector<std::string_view>& lines, size_t from, size_t to,
                          char comment = 0) {
  for (size_t j = to + 1; j-- > from + 1;) {
    const std::string_view t = trim(lines[j]);
    if (!t.empty() && (comment == 0 || t[0] != comment)) return j;
  }
  return from;
}

inline bool equals_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k)
    if (ascii_lower_char(a[k]) != ascii_lower_char(b[k])) return false;
  return true;
}

// The identifier-like word (letters, digits, "_", "-") at the start of `s`.
inline std::string_view lead_word(std::string_view s) {
  size_t k = 0;
  while (k < s.size() && (is_ident_byte(s[k]) || s[k] == '-')) ++k;
  return s.substr(0, k);
}

}  // namespace zub::code
