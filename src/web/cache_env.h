// The environment switches of the fetch cache and the curl runner. The front
// end sets them from the `fetch`/`web` flags before any fetch starts; they
// are read fresh at every use. Thread-safe as long as nobody calls setenv
// while fetches run (the front end sets them before).
#pragma once

#include <cstdint>

#include "base/env.h"

namespace zub {

// ZUB_NO_CACHE: nothing is read from or written to the cache.
inline bool cache_disabled() { return env_switch_set("ZUB_NO_CACHE"); }
// ZUB_REFRESH: never serve from the cache, but still store.
inline bool cache_refresh() { return env_switch_set("ZUB_REFRESH"); }
// ZUB_CACHE_DEBUG: hit and revalidation notes on standard error.
inline bool cache_debug() { return env_switch_set("ZUB_CACHE_DEBUG"); }

// The minimum for server-given lifetimes, from ZUB_STALE; 0 when unset.
uint64_t stale_floor();

// The most body bytes (after content decoding) one transfer may deliver:
// ZUB_FETCH_MAX, or 32 MiB when it is unset or does not parse. A larger
// body is a failure and is neither returned nor cached.
inline constexpr uint64_t kDefaultFetchMax = uint64_t{32} << 20;
uint64_t fetch_max_bytes();

}  // namespace zub
