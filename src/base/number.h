// The number-argument rule: an unsigned decimal with an optional single
// leading "+"; empty text, a lone sign, any other character and overflow fail.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zub {

std::optional<uint64_t> parse_u64(std::string_view s);
std::optional<uint32_t> parse_u32(std::string_view s);
std::optional<uint16_t> parse_u16(std::string_view s);

}  // namespace zub
