// HTTP dates in the layout servers send ("Sun, 06 Nov 1994 08:49:37 GMT").
// Pure function, thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zub {

// Unix seconds of the date in `text`: five or more whitespace-separated
// tokens, day (2nd), English month abbreviation (3rd), year (4th) and
// hh:mm:ss (5th), read as UTC. Weekday and zone are not examined and field
// ranges are not checked. Nothing for any other layout, or when the result
// does not fit a signed 64-bit number.
std::optional<int64_t> parse_http_date(std::string_view text);

}  // namespace zub
