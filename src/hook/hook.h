// The PreToolUse hook of the agent host: counts read-only shell requests per
// session and, on the third in a row, asks the agent to batch; answers a
// bare `sleep` with a way to wait without spending a request; shows the
// `zub wrap` form of a build, test or lint command once per session and
// program. Never blocks, allows or alters the tool call. Thread-safe apart from the shared probe
// file, whose races only shift one nudge.
#pragma once

#include <optional>
#include <string>

#include "base/output.h"

namespace zub {

// `input` is standard input, or nothing when it could not be read. Prints
// at most one line of hook answer JSON; always returns 0.
int cmd_hook(const std::optional<std::string>& input, Output& out);

}  // namespace zub
