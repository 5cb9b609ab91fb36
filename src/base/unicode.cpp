#include "base/unicode.h"

#include <cstdint>

namespace zub {

namespace {

struct CodeRange {
  char32_t lo, hi;
};

#include "base/unicode_tables.inc"

template <size_t N>
bool in_table(const CodeRange (&table)[N], char32_t cp) {
  size_t lo = 0, hi = N;
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (cp < table[mid].lo) {
      hi = mid;
    } else if (cp > table[mid].hi) {
      lo = mid + 1;
    } else {
      return true;
    }
  }
  return false;
}

// Decodes a white-space character that ends at s[end-1]; returns its length or 0.
size_t white_space_len_before(std::string_view s, size_t end) {
  const unsigned char last = static_cast<unsigned char>(s[end - 1]);
  if (last < 0x80) return kSpaceByteKind[last];
  size_t start = end - 1;
  while (start > 0 && end - start < 4 && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80)
    --start;
  return white_space_len_at(s, start) == end - start ? end - start : 0;
}

}  // namespace

bool is_white_space(char32_t cp) {
  if (cp < 0x80) return cp == ' ' || (cp >= 9 && cp <= 13);
  return in_table(kWhiteSpaceRanges, cp);
}

bool is_alphabetic(char32_t cp) {
  if (cp < 0x80) return (cp | 0x20) >= 'a' && (cp | 0x20) <= 'z';
  return in_table(kAlphabeticRanges, cp);
}

bool is_numeric(char32_t cp) {
  if (cp < 0x80) return cp >= '0' && cp <= '9';
  return in_table(kNumericRanges, cp);
}

size_t white_space_len_at(std::string_view s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return (c == ' ' || (c >= 9 && c <= 13)) ? 1 : 0;
  // Every non-ASCII White_Space character is U+0085, U+00A0 (two bytes) or
  // in U+1680..U+3000 (three bytes).
  if (c == 0xC2 && i + 1 < s.size()) {
    const unsigned char d = static_cast<unsigned char>(s[i + 1]);
    return (d == 0x85 || d == 0xA0) ? 2 : 0;
  }
  if ((c == 0xE1 || c == 0xE2 || c == 0xE3) && i + 2 < s.size()) {
    const unsigned char d = static_cast<unsigned char>(s[i + 1]);
    const unsigned char e = static_cast<unsigned char>(s[i + 2]);
    if ((d & 0xC0) != 0x80 || (e & 0xC0) != 0x80) return 0;
    const auto cp = static_cast<char32_t>(((c & 0x0F) << 12) | ((d & 0x3F) << 6) | (e & 0x3F));
    return in_table(kWhiteSpaceRanges, cp) ? 3 : 0;
  }
  return 0;
}

std::string_view trim_ws_start(std::string_view s) {
  size_t i = 0, w;
  while (i < s.size() && (w = space_len_at(s, i)) != 0) i += w;
  return s.substr(i);
}

std::string_view trim_ws_end(std::string_view s) {
  size_t end = s.size(), w;
  while (end > 0 && (w = white_space_len_before(s, end)) != 0) end -= w;
  return s.substr(0, end);
}

std::string_view trim_ws(std::string_view s) { return trim_ws_end(trim_ws_start(s)); }

bool is_blank(std::string_view s) { return trim_ws_start(s).empty(); }

}  // namespace zub
