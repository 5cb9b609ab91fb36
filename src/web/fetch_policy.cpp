#include "web/fetch_policy.h"

#include "base/env.h"
#include "base/file_io.h"
#include "base/utf8.h"
#include "web/wire_format.h"

namespace zub {

FetchPolicy fetch_policy_from_env() {
  FetchPolicy p;
  p.no_cache = env_switch_set("ZUB_NO_CACHE");
  p.refresh = env_switch_set("ZUB_REFRESH");
  p.cache_debug = env_switch_set("ZUB_CACHE_DEBUG");
  p.web_debug = env_present("ZUB_WEB_DEBUG");
  p.stale_floor = env_number("ZUB_STALE").value_or(0);
  p.ttl = env_number("ZUB_CACHE_TTL");
  p.fetch_max = env_number("ZUB_FETCH_MAX").value_or(kDefaultFetchMax);
  p.searx_retry_ms = env_number("ZUB_TEST_SEARX_RETRY_MS").value_or(kDefaultSearxRetryMs);
  if (const auto stand_ins = env_text("ZUB_TEST_PUBLIC_ADDRS")) {
    std::string_view rest = *stand_ins;
    while (!rest.empty()) {
      const size_t comma = rest.find(',');
      const std::string_view one = rest.substr(0, comma);
      if (!one.empty()) p.public_stand_ins.emplace_back(one);
      rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
    }
  }
  // An empty HOME would put the cache in whatever directory zub runs in.
  const std::optional<std::string_view> home = env_text("HOME");
  if (home && !home->empty() && is_valid_utf8(*home)) p.cache_dir = path_join(*home, kCacheSubdir);
  return p;
}

}  // namespace zub
