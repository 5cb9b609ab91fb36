// `read`: line ranges or byte prefixes of several files in one call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/output.h"

namespace zub {

struct ReadOptions {
  std::vector<std::string> args;  // the paths and ranges
  bool byte_mode = false;
  uint64_t bytes = 0;      // N of byte mode, always > 0 there
  bool numbering = false;  // ZUB_READ_NUM is set, or -n / --number
  uint64_t head = 0;       // -n N: a file given without a range reads lines 1-N
  // The number of arguments read before "-n N" set `head`: a file after it
  // makes the call ambiguous (head's or tail's -n).
  std::optional<size_t> head_flag_before;
  uint64_t tail = 0;  // --tail N: a file given without a range reads its last N lines
  // --lines R: the ranges of every file given without one, as typed.
  std::vector<std::string> ranges;
};

// Status check shared with `outline`: false, after "zub: {path}: {error}"
// on standard error, when the path is missing or unreadable or a directory.
bool check_file_path(const std::string& path, Output& out);

// A range argument "A-B" / "A-": digits, a hyphen, optional digits.
bool is_range_arg(const std::string& arg);

// Lines A to B (B open: to the end), or the last `tail` lines.
struct LineRange {
  uint64_t a = 1;
  std::optional<uint64_t> b;
  uint64_t tail = 0;  // not 0: the last lines of the file, A and B aside
};

// Every range form an agent types: "A-B", "A-", "A" (that one line),
// "A,B" and "A:B" (as sed and editors write them), "A..B", and a code
// host's line anchors "L10-L20" and "L10". As sed writes them too: "B" may
// be "+N" (N lines after A) or "$" (the end), "$" alone is the last line,
// and a "p" may follow ("10,20p").
std::optional<LineRange> parse_range_arg(std::string_view arg);

// Returns 2 when any path failed, else 0.
int cmd_read(const ReadOptions& opts, Output& out);

}  // namespace zub
