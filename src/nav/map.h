// Directory and file-kind distribution of one or more roots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

int cmd_map(const std::vector<std::string>& roots, uint64_t n, Output& out);

}  // namespace zub
