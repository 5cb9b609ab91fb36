// Status, clearing and lifetime classes of the fetch cache.
#pragma once

#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

// `args` are the arguments after "cache".
int cmd_cache(const std::vector<std::string>& args, Output& out);

}  // namespace zub
