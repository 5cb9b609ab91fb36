// Reading the response-header JSON that curl writes for %{header_json}
// (lower-case header names, each with an array of string values), and
// deciding from it whether and for how long a response may be cached.
// Pure functions (apart from the clock), thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zub {

// The lifetime value meaning "the server gave none; the URL class decides".
inline constexpr uint64_t kNoLifetime = UINT64_MAX;

// The first value of header `name` (lower case) in `json`, with the JSON
// string escapes decoded; nothing when the header is absent or its value is
// not a well-formed string.
std::optional<std::string> header_value(std::string_view json, std::string_view name);

struct Freshness {
  bool may_store = true;
  uint64_t lifetime = kNoLifetime;  // seconds, or kNoLifetime
};

// Cache-Control (no-store, immutable, no-cache, s-maxage, max-age with Age),
// then Expires against Date, then a tenth of Date minus Last-Modified.
// `now` (Unix seconds) stands in for a missing Date when Expires is given.
Freshness freshness_from_headers(std::string_view json, int64_t now);
Freshness freshness_from_headers(std::string_view json);

}  // namespace zub
