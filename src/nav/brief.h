// One-call repository snapshot: git state, recent commits, file distribution, top-level entries.
#pragma once

#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

// `roots` is never empty (the front end supplies ".").
int cmd_brief(const std::vector<std::string>& roots, Output& out);

}  // namespace zub
