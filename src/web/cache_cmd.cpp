#include "web/cache_cmd.h"

#include "base/pending.h"

namespace zub {

int cmd_cache(const std::vector<std::string>& args, Output& out) {
  (void)args;
  return not_implemented("cache", out);
}

}  // namespace zub
