// The heuristic lifetime of a URL: pages nobody should cache (status and
// health endpoints, local services) get 0, volatile pages 15 minutes, blogs
// and news an hour, documentation a day, stable references a week, and
// anything pinned to a version or a date 30 days. A configured lifetime
// (ZUB_CACHE_TTL, --ttl) replaces it wholesale. Pure; thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zub {

inline constexpr uint64_t kTtlNone = 0;
inline constexpr uint64_t kTtlVolatile = 900;
inline constexpr uint64_t kTtlNews = 3600;
inline constexpr uint64_t kTtlDocs = 86400;
inline constexpr uint64_t kTtlStableDocs = 604800;
inline constexpr uint64_t kTtlPinned = 2592000;

// Lifetime in seconds for `url`: `configured` when there is one, otherwise
// the first matching URL class.
uint64_t url_ttl(std::string_view url, std::optional<uint64_t> configured);

// The URL class alone.
uint64_t url_class_ttl(std::string_view url);

}  // namespace zub
