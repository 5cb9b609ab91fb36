#include "base/number.h"

#include <limits>

namespace zub {

std::optional<uint64_t> parse_u64(std::string_view s) {
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    const uint64_t d = static_cast<uint64_t>(c - '0');
    if (v > (std::numeric_limits<uint64_t>::max() - d) / 10) return std::nullopt;
    v = v * 10 + d;
  }
  return v;
}

std::optional<uint32_t> parse_u32(std::string_view s) {
  auto v = parse_u64(s);
  if (!v || *v > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  return static_cast<uint32_t>(*v);
}

std::optional<uint16_t> parse_u16(std::string_view s) {
  auto v = parse_u64(s);
  if (!v || *v > std::numeric_limits<uint16_t>::max()) return std::nullopt;
  return static_cast<uint16_t>(*v);
}

}  // namespace zub
