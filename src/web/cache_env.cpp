#include "web/cache_env.h"

namespace zub {

uint64_t stale_floor() { return env_number("ZUB_STALE").value_or(0); }

}  // namespace zub
