// Pages as markdown, fetched in parallel through the cache.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

int cmd_fetch(const std::vector<std::string>& urls, uint64_t budget, Output& out);

}  // namespace zub
