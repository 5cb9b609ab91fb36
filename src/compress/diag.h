// Summary of linter, compiler and test-runner output by rule.
#pragma once

#include <string_view>

#include "base/output.h"

namespace zub {

int cmd_diag(std::string_view input, Output& out);

}  // namespace zub
