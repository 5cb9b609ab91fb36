// A long directory listing (`ls -l`, `ls -la`, `ls -laR`) with the columns
// that repeat on every line taken out: the link count, and the owner and
// group when one pair owns every entry (said once, above the listing). The
// "." and ".." entries of -a and the "total" lines go; every other entry
// keeps its type and mode, size, date and name (a link's target too), and
// the directory headers of -R stay. Pure; thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zub {

// Nothing unless most lines are entries of a long listing.
std::optional<std::string> fold_long_listing(std::string_view input);

}  // namespace zub
