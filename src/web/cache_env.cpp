#include "web/cache_env.h"

namespace zub {

uint64_t stale_floor() { return env_number("ZUB_STALE").value_or(0); }

uint64_t fetch_max_bytes() { return env_number("ZUB_FETCH_MAX").value_or(kDefaultFetchMax); }

}  // namespace zub
