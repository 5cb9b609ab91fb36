// Keeps the exact bytes that a filter (`wrap`, `trim`, `logs`, `diag`) read
// when it printed fewer, so that an agent who needs an elided line reads it
// from a file instead of running the build or test again. The files form a
// ring in the private state directory ("raw" under it): the newest runs
// within a count and a size bound, named so that they sort by time. Keeping
// is never in the way: a failure costs one note on standard error and
// changes neither the output nor the exit status. ZUB_NO_RAW turns it off.
// Thread-safe; concurrent processes each write their own file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/output.h"

namespace zub {

inline constexpr size_t kRawKeepRuns = 20;
inline constexpr uint64_t kRawKeepBytes = uint64_t{64} << 20;

// Keeps `read` and writes the note when fewer than read.size() bytes were
// printed, or when the filter says it `dropped` lines (its notes can make
// the output longer than what it left out), and ZUB_NO_RAW is not set;
// otherwise does nothing.
void keep_raw_if_shortened(std::string_view sub, std::string_view read, uint64_t printed,
                           std::optional<int> exit_status, Output& out, uint64_t never_read = 0,
                           bool dropped = false);

}  // namespace zub
