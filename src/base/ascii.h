// ASCII character classes for the byte-level scanners (formats, logs, URLs,
// markup). Every test looks at one byte and never at the locale, so a byte
// of a UTF-8 sequence is never a digit, letter or space here. Pure, inline.
#pragma once

#include <cstddef>
#include <string_view>

namespace zub {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool is_alpha(char c) { return is_upper(c) || is_lower(c); }
constexpr bool is_alnum(char c) { return is_digit(c) || is_alpha(c); }

// The value of a hexadecimal digit (either case); -1 for any other byte.
constexpr int hex_digit_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
constexpr bool is_hex_digit(char c) { return hex_digit_value(c) >= 0; }
// The hexadecimal digit of the low four bits of `v`, in either case.
constexpr char hex_digit(unsigned v, bool upper) {
  return "0123456789abcdef0123456789ABCDEF"[(v & 15) + (upper ? 16 : 0)];
}

// White space has three meanings among the formats zub reads, and they
// differ in the line breaks and the rarer controls, so each has its name:
// JSON's four (RFC 8259 "ws"), HTML's five (adds form feed), and the
// space within one line of source code (no line feed; adds form feed and
// vertical tab, which old sources still carry).
constexpr bool is_json_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
constexpr bool is_html_space(char c) { return is_json_space(c) || c == '\f'; }
constexpr bool is_line_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// The number of leading line-space bytes of `line`.
constexpr size_t indent_of(std::string_view line) {
  size_t k = 0;
  while (k < line.size() && is_line_space(line[k])) ++k;
  return k;
}

}  // namespace zub
