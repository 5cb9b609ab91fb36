#include "compress/logs.h"

#include "base/pending.h"

namespace zub {

int cmd_logs(std::string_view input, uint64_t limit, Output& out) {
  (void)input;
  (void)limit;
  return not_implemented("logs", out);
}

}  // namespace zub
