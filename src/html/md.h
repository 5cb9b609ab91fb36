// HTML on standard input to main-content markdown.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/output.h"

namespace zub {

// Converts `repeats` times, keeping the last result; prints it unless `quiet`.
int cmd_md(std::string_view input, uint64_t repeats, bool quiet, Output& out);

}  // namespace zub
