// Folding of log lines that differ only in their numbers.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/output.h"

namespace zub {

int cmd_logs(std::string_view input, uint64_t limit, Output& out);

}  // namespace zub
