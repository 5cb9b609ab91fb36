#include "nav/outline.h"

#include "base/pending.h"

namespace zub {

bool is_declaration_line(std::string_view) { return false; }

int cmd_outline(const std::vector<std::string>&, uint64_t, Output& out) {
  return not_implemented("outline", out);
}

}  // namespace zub
