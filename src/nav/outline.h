// `outline`: only the declaration lines of source files, with line numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/output.h"

namespace zub {

// Returns 2 when any file failed its status check, else 0.
int cmd_outline(const std::vector<std::string>& files, uint64_t cap, Output& out);

}  // namespace zub
