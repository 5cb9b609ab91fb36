// HTML on standard input to main-content markdown.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/outcome.h"
#include "base/output.h"

namespace zub {

// Converts `repeats` times, keeping the last result; prints it unless `quiet`.
// The baseline is the whole converted page.
Outcome cmd_md(std::string_view input, uint64_t repeats, bool quiet, Output& out);

}  // namespace zub
