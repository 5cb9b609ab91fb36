// The error lines of a summary with their repetition folded: lines that say
// the same thing (a compiler's or type checker's code and message) at
// several places become one line that lists every place, grouped by file
// ("error TS2339: Property 'set' does not exist on type 'A'. (×3) at
// lib/app.js:82:8,83:8 lib/x.js:9:1"); a line that came more than once at
// one place keeps its text with the count ("x.h:3:5: error: e (×6)").
// Pure; thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zub {

// "path:line[:col]: rest" or tsc's "path(line,col): rest": true with the
// path, "line[:col]" and what follows; false for a line with no place.
bool split_error_place(std::string_view e, std::string_view& path, std::string& at,
                       std::string_view& rest);

// The lines to list for `errors`, in the order each first came.
std::vector<std::string> fold_errors(const std::vector<std::string>& errors);

}  // namespace zub
