// Parser of the pattern language into a syntax tree and its class table.
// Pure functions, thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "re/pattern.h"

namespace zub {

struct ParseResult {
  bool ok = false;
  std::string error;  // one of the parser's error texts when !ok
  PatternNode root;
  std::vector<ByteSet> classes;
};

// Parses `pattern` (bytes). With `icase`, letters are stored lower-case and
// classes gain the other case of every letter they hold.
ParseResult parse_pattern(std::string_view pattern, bool icase);

}  // namespace zub
