// Glob matching for file filters: "*" is any run of bytes (slashes
// included), "?" one byte, everything else itself. Pure, thread-safe.
#pragma once

#include <string_view>

namespace zub {

// True when `glob` matches the whole of `text`.
bool glob_match(std::string_view glob, std::string_view text);

}  // namespace zub
