#include "nav/read.h"

#include "base/pending.h"

namespace zub {

bool is_range_arg(const std::string&) { return false; }

int cmd_read(const std::vector<std::string>&, const ReadOptions&, Output& out) {
  return not_implemented("read", out);
}

}  // namespace zub
