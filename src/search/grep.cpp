#include "search/grep.h"

#include "base/pending.h"

namespace zub {

int cmd_grep(const std::vector<std::string>& args, Output& out) {
  (void)args;
  return not_implemented("grep", out);
}

}  // namespace zub
