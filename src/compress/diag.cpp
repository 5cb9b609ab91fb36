#include "compress/diag.h"

#include "base/pending.h"

namespace zub {

int cmd_diag(std::string_view input, Output& out) {
  (void)input;
  return not_implemented("diag", out);
}

}  // namespace zub
