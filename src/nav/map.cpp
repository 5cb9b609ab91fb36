#include "nav/map.h"

#include "base/pending.h"

namespace zub {

int cmd_map(const std::vector<std::string>& roots, uint64_t n, Output& out) {
  (void)roots;
  (void)n;
  return not_implemented("map", out);
}

}  // namespace zub
