// Folding of log and progress output: lines that differ only in their
// numbers (timestamps, counters, ids, durations) are shown once with a
// repeat count, in order of first appearance, and only the most recent
// lines are considered. Pure functions; thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/output.h"

namespace zub {

inline constexpr uint64_t kLogsDefaultLimit = 3000;

// Folds the last `limit` lines of `input`. Inputs under 2048 bytes come back
// unchanged. Pure; linear in the input, memory bounded by the input plus
// one key per distinct line shape.
std::string logs(std::string_view input, uint64_t limit);

struct LogsOptions {
  uint64_t limit = kLogsDefaultLimit;  // the most recent lines considered
};

int cmd_logs(std::string_view input, const LogsOptions& opts, Output& out);

}  // namespace zub
