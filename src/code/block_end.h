// Where a definition's block ends: by counting braces (outside strings,
// character literals and comments), for brace-less languages by
// indentation, or by the depths a language's own scan gave each line.
// Pure functions.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "code/source_scope.h"

namespace zub {

// The brace balance of one line: "{" +1, "}" -1, ignoring double-quoted
// strings, three-byte character literals and everything after "//" or a "#"
// that starts the line or follows white space.
int64_t brace_balance(std::string_view line);

// Index of the last line of the block that starts at line `i`, never more
// than `n` lines after it.
size_t block_end(const std::vector<std::string_view>& lines, size_t i, uint64_t n);

// The same for a definition whose body is known to open on line `k` (k >= i),
// however far below its first line.
size_t block_end_from(const std::vector<std::string_view>& lines, size_t i, size_t k, uint64_t n);

// Last line of the block opened on line `i` (`scopes[i].depth` open before
// it, one more after it): the first line after which the depth is back where
// line `i` started. The last line when it never is.
size_t depth_block_end(const std::vector<LineScope>& scopes, size_t i);

}  // namespace zub
