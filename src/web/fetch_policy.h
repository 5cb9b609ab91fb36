// The switches of fetching and the fetch cache, read once per command: from
// the environment, then overridden by the `fetch`/`web` flags, and passed
// down by value or reference. Nothing below the front end reads the
// environment for them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "web/address_kind.h"

namespace zub {

// The most body bytes (after content decoding) one transfer may deliver
// unless ZUB_FETCH_MAX says otherwise. A larger body is a failure and is
// neither returned nor cached.
inline constexpr uint64_t kDefaultFetchMax = uint64_t{32} << 20;

inline constexpr uint64_t kDefaultSearxRetryMs = 600;

struct FetchPolicy {
  // ZUB_NO_CACHE, --no-cache: nothing is read from or written to the cache.
  bool no_cache = false;
  // ZUB_REFRESH, --refresh: never serve from the cache, but still store.
  bool refresh = false;
  // ZUB_CACHE_DEBUG: hit and revalidation notes on standard error.
  bool cache_debug = false;
  // ZUB_WEB_DEBUG (any value): `web` shows each result's engines and score.
  bool web_debug = false;
  // ZUB_STALE, --stale: the minimum for server-given lifetimes.
  uint64_t stale_floor = 0;
  // ZUB_CACHE_TTL, --ttl: replaces the URL class's lifetime when it parses.
  std::optional<uint64_t> ttl;
  // ZUB_FETCH_MAX when it parses.
  uint64_t fetch_max = kDefaultFetchMax;
  // $HOME/.claude/cache/zub-fetch; nothing when HOME is unset, empty or not
  // UTF-8. Known whether or not no_cache is set (`cache` shows and clears
  // it either way).
  std::optional<std::string> cache_dir;
  // The pause between retries of the local search service after starting
  // its container; ZUB_TEST_SEARX_RETRY_MS lets tests shorten it.
  uint64_t searx_retry_ms = kDefaultSearxRetryMs;
  // Loopback addresses the tool's own tests use as stand-ins for public
  // hosts when they check the redirect rule: ZUB_TEST_PUBLIC_ADDRS, a
  // comma-separated list. Empty everywhere else.
  PublicStandIns public_stand_ins;
};

// The policy the environment describes. Flags override single fields
// afterwards, exactly as if they had set the variable they stand for (a
// flag value is read by setting_number, like the variable's).
FetchPolicy fetch_policy_from_env();

}  // namespace zub
