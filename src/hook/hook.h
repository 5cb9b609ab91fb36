// The PreToolUse hook of the agent host.
#pragma once

#include <optional>
#include <string>

#include "base/output.h"

namespace zub {

// `input` is standard input, or nothing when it could not be read.
int cmd_hook(const std::optional<std::string>& input, Output& out);

}  // namespace zub
