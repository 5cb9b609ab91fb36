// `zub init`: registers zub's PreToolUse hook in the agent host's settings
// (the user's file, or with --project the repository's), previews the
// change as a diff, shows where zub is registered, and takes the entry away
// again; --notes also keeps a short note on zub in CLAUDE.md. It never
// changes a setting it did not add and never writes a file that is not
// valid JSON. Not in the fixed usage text; `zub init --help` describes it.
#pragma once

#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

int cmd_init(const std::vector<std::string>& args, Output& out);

}  // namespace zub
