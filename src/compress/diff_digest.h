// A map of a long diff (git log -p, git show, git diff, diff -u) for when
// the diff itself is too long to be read at once: each commit's header and
// subject, and under it each file with its added and removed line counts,
// its hunk count and the line range of the kept raw output that holds that
// file's part, so that any one file is one `zub read` away. Pure;
// thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zub {

// Nothing when `diff` holds no file of a diff. `raw` names the kept copy of
// `diff` in the ranges ("zub read {raw} A-B").
std::optional<std::string> diff_digest(std::string_view diff, std::string_view raw);

}  // namespace zub
