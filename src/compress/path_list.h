// A list of paths, one per line (`find`, `git ls-files`, `fd`, `rg
// --files`), folded by directory: each run of paths in one directory
// becomes one line, the directory once and then the names, so every path is
// still there and the directory prefixes are not repeated. Pure;
// thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zub {

// Nothing when too few of the lines are paths for this to be a path list.
std::optional<std::string> fold_path_list(std::string_view input);

}  // namespace zub
