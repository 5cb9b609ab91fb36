// Multi-pattern, multi-root search with context.
#pragma once

#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

// `args` are all arguments after "grep", untouched.
int cmd_grep(const std::vector<std::string>& args, Output& out);

}  // namespace zub
