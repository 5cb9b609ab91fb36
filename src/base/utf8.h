// UTF-8 checks, decoding and character-boundary arithmetic. Pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zub {

// True when `s` is well-formed UTF-8 (no surrogates, no overlongs, <= U+10FFFF).
bool is_valid_utf8(std::string_view s);

// Decodes `s`, replacing each maximal invalid subpart with U+FFFD.
std::string decode_lossy(std::string_view s);

// `s` with each byte of every invalid sequence written as \xHH (upper-case
// hex), so that a file with a stray Latin-1 byte can still be shown, the
// byte visible instead of replaced.
std::string escape_invalid_bytes(std::string_view s);

// Decodes the scalar value starting at s[i] and advances i past it. On an
// invalid sequence returns U+FFFD and advances past its maximal subpart
// (at least one byte). Requires i < s.size().
char32_t decode_next(std::string_view s, size_t& i);

// Appends the UTF-8 encoding of `cp` (a scalar value) to `out`.
void append_utf8(std::string& out, char32_t cp);

// True when byte position `i` of valid UTF-8 `s` starts a character (or is
// s.size()).
inline bool is_char_boundary(std::string_view s, size_t i) {
  if (i == 0 || i >= s.size()) return i <= s.size();
  return (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
}

// True when s[i] starts the two-byte encoding of a C1 control character
// (U+0080..U+009F: 0xC2 followed by 0x80..0x9F).
inline bool is_c1_control_at(std::string_view s, size_t i) {
  return static_cast<unsigned char>(s[i]) == 0xC2 && i + 1 < s.size() &&
         static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
         static_cast<unsigned char>(s[i + 1]) <= 0x9F;
}

// Largest boundary <= i (i clamped to s.size()).
size_t floor_char_boundary(std::string_view s, size_t i);
// Smallest boundary >= i (s.size() when i >= s.size()).
size_t ceil_char_boundary(std::string_view s, size_t i);

// The text up to the last character boundary at or before byte k.
std::string_view byte_cut(std::string_view s, size_t k);

// Number of scalar values in valid UTF-8 `s` (continuation bytes skipped).
size_t char_count(std::string_view s);

// Byte offset after the first `chars` characters of valid UTF-8 `s`
// (s.size() when it has fewer).
size_t char_offset(std::string_view s, size_t chars);

}  // namespace zub
