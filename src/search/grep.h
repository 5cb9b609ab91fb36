// `zub grep`: many patterns over many roots in one call, with a compact,
// bounded report (per-file caps, folded repeats, merged context ranges), or
// a filter over standard input with the root "-". Files are scanned on
// scoped worker threads; the report is always in walk order.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/outcome.h"
#include "base/output.h"
#include "search/grep_options.h"

namespace zub {

// The exit status is 0 found, 1 nothing found, 2 usage/pattern error or a
// missing root; the baseline is what `grep -rn` would have printed for the
// files searched.
Outcome cmd_grep(const GrepOptions& opts, Output& out);

// cmd_grep with the number of worker threads fixed (0 = one per processor);
// tests use it to show that the report does not depend on the count.
Outcome run_grep(GrepOptions o, Output& out, size_t workers);

}  // namespace zub
