#include "web/fetch.h"

#include "base/pending.h"

namespace zub {

int cmd_fetch(const std::vector<std::string>& urls, uint64_t budget, Output& out) {
  (void)urls;
  (void)budget;
  return not_implemented("fetch", out);
}

}  // namespace zub
