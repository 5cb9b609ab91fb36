// Placeholder answer of a subcommand whose implementation has not landed.
#pragma once

#include <string>
#include <string_view>

#include "base/output.h"

namespace zub {

inline int not_implemented(std::string_view sub, Output& out) {
  out.write_err("zub " + std::string(sub) + ": 아직 구현되지 않았다\n");
  return 2;
}

}  // namespace zub
