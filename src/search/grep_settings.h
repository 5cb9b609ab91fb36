// What the options of `zub grep` mean for one search, decided once after
// they are parsed: a number after -n that leaves no root, --files, -S, and
// the limits of each output mode (GrepLimits). Everything after reads the
// resolved options only. Pure.
#pragma once

#include "search/grep_options.h"

namespace zub {

void resolve_grep_settings(GrepOptions& o);

}  // namespace zub
