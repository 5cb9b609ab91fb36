// Decimal numbers in and out. Reading follows the number-argument rule: an
// unsigned decimal with an optional single leading "+"; empty text, a lone
// sign, any other character and overflow fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zub {

std::optional<uint64_t> parse_u64(std::string_view s);
std::optional<uint32_t> parse_u32(std::string_view s);
std::optional<uint16_t> parse_u16(std::string_view s);

// Appends `v` in decimal. Inline: grep calls it for every line number.
inline void append_number(std::string& out, uint64_t v) {
  char buf[24];
  char* e = buf + sizeof buf;
  char* p = e;
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  out.append(p, static_cast<size_t>(e - p));
}

}  // namespace zub
