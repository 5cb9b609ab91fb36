#include "compress/wrap.h"

#include "base/pending.h"

namespace zub {

int cmd_wrap(const WrapOptions& opts, Output& out) {
  (void)opts;
  return not_implemented("wrap", out);
}

}  // namespace zub
