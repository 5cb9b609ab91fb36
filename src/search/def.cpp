#include "search/def.h"

#include "base/pending.h"

namespace zub {

int cmd_def(const std::string& sym, const std::vector<std::string>& roots, uint64_t n, Output& out) {
  (void)sym;
  (void)roots;
  (void)n;
  return not_implemented("def", out);
}

}  // namespace zub
