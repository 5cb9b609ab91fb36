// Search output (`grep -rn`, `rg -n`, `git grep -n`, ag, ack: one
// "path:line:text" line per hit) grouped by file as `zub grep` prints it:
// a header per file with its hit count, the lines of equal text folded
// into one with every line number (`12,40,77| return ERR;`), at most a few
// texts per file and the line numbers of the rest, so that each hit can
// still be opened by its number. Past a size budget the remaining files
// are counted and named by the line range of the kept raw output that
// holds them. Pure; thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zub {

struct HitsGrouping {
  std::string text;
  uint64_t hits = 0;
  uint64_t files = 0;
};

// Nothing when too few of the lines are hits for this to be search output.
// `raw` names the kept copy of `input` in the notes ("zub read {raw} A-B");
// `budget` is the size in bytes the listing aims to stay within.
std::optional<HitsGrouping> group_hits(std::string_view input, std::string_view raw, size_t budget);

}  // namespace zub
