#include "web/md.h"

#include "base/pending.h"

namespace zub {

int cmd_md(std::string_view input, uint64_t repeats, bool quiet, Output& out) {
  (void)input;
  (void)repeats;
  (void)quiet;
  return not_implemented("md", out);
}

}  // namespace zub
