// The difference between two texts as a unified diff (the format of
// `diff -u`), line by line with three lines of context. For showing a
// change before it is made; sized for small files: a changed region of
// more than a million line pairs is shown as all removed and all added
// instead of being matched line by line. Pure.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// "--- {old_name}" and "+++ {new_name}" headers and the hunks; empty when
// the texts are equal. A last line without a line feed is followed by
// "\ No newline at end of file", as diff writes it.
std::string unified_diff(std::string_view old_name, std::string_view new_name, std::string_view a,
                         std::string_view b);

}  // namespace zub
