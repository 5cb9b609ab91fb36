#include "web/web.h"

#include "base/pending.h"

namespace zub {

int cmd_web(const std::string& query, uint64_t n, uint64_t k, uint64_t c, Output& out) {
  (void)query;
  (void)n;
  (void)k;
  (void)c;
  return not_implemented("web", out);
}

}  // namespace zub
