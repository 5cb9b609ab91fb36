#include "nav/brief.h"

#include "base/pending.h"

namespace zub {

int cmd_brief(const std::vector<std::string>& roots, Output& out) {
  (void)roots;
  return not_implemented("brief", out);
}

}  // namespace zub
