// The PostToolUse side of the hook: after a shell (`Bash`) call has run,
// its output is shortened before the model reads it, chosen by what the
// command line runs (hook/output_kind.h) and by the output's shape: a
// build or test run with errors becomes diag's summary, progress is
// folded, a diff goes through the diff-aware trim, logs are folded, a
// large search is grouped by file, anything else large is trimmed. Output
// of 2 KB or less, images, file contents and zub's own output are never
// shortened below the host's inline limit; past that limit they keep their
// head and tail around a line naming the exact `zub read` range left out.
// Every shortened stream ends with a note naming its raw copy in the raw
// ring and how it was shortened; when the copy cannot be kept the stream
// stays as it was. The answer is the tool's response as received with only
// `stdout` and `stderr` replaced. Thread-safe apart from the raw ring's
// files, which each run writes anew.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/output.h"

namespace zub {

// Output up to this many bytes is never shortened.
inline constexpr uint64_t kPostSmallBytes = 2048;
// Searches and output of no known kind are shortened only past this size.
inline constexpr uint64_t kPostLargeBytes = 8192;

struct PostToolAnswer {
  bool answered = false;  // the output was replaced
  uint64_t baseline = 0;  // bytes the host would have shown: raw, capped at its limit
  uint64_t printed = 0;   // bytes of the replacing stdout and stderr
};

// Answers the PostToolUse event `event` (the whole text read from standard
// input): prints one line of hook answer JSON or nothing. The session's
// post marker (hook/probe_file.h) is created unless it exists, so that the
// PreToolUse side knows that outputs are shortened in this session.
PostToolAnswer answer_post_tool(std::string_view event, Output& out);

}  // namespace zub
