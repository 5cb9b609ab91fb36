#include "compress/trim.h"

#include "base/pending.h"

namespace zub {

int cmd_trim(std::string_view input, uint64_t width, Output& out) {
  (void)input;
  (void)width;
  return not_implemented("trim", out);
}

}  // namespace zub
