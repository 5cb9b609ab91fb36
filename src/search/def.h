// Definitions of a symbol, printed to the end of their block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

// Checks the roots, finds the definitions and prints the report.
int cmd_def(const std::string& sym, const std::vector<std::string>& roots, uint64_t n, Output& out);

}  // namespace zub
