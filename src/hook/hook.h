// The hook of the agent host, one process for both of its events. Before a
// shell call (PreToolUse) it counts read-only shell requests per session
// and, on the third in a row, asks the agent to batch; answers a bare
// `sleep` with a way to wait without spending a request; shows the `zub
// wrap` form of a build, test or lint command once per session and
// program, unless the session's outputs are shortened after the call
// anyway. After a shell call (PostToolUse) it shortens the call's output
// (hook/post_tool.h). Never blocks, allows or alters the tool call.
// Thread-safe apart from the shared probe file, whose races only shift
// one nudge.
#pragma once

#include <optional>
#include <string>

#include "base/output.h"
#include "hook/post_tool.h"

namespace zub {

// `input` is standard input, or nothing when it could not be read. Prints
// at most one line of hook answer JSON; returns what the PostToolUse side
// did, for the gain ledger. The exit status is always 0.
PostToolAnswer cmd_hook(const std::optional<std::string>& input, Output& out);

}  // namespace zub
