#include "hook/hook.h"

#include "base/pending.h"

namespace zub {

int cmd_hook(const std::optional<std::string>& input, Output& out) {
  (void)input;
  return not_implemented("hook", out);
}

}  // namespace zub
