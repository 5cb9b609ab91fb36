// Compilation of the pattern language into the matcher's program, the
// required-literal analysis and literal escaping. Pure functions.
#pragma once

#include <string>
#include <string_view>

#include "re/pattern.h"

namespace zub {

struct CompileResult {
  bool ok = false;
  std::string error;  // the parser's error text when !ok
  CompiledPattern pattern;
};

// Parses and compiles `pattern`; with `icase`, ASCII case is ignored.
CompileResult compile_pattern(std::string_view pattern, bool icase);

// Pattern text that matches exactly `text`: each of \.+*?()|[]{}^$ gets a
// backslash in front, every other byte is copied.
std::string escape_literal(std::string_view text);

// One instruction per line ("3 split 4 7"), for tests and debugging.
std::string dump_program(const CompiledPattern& p);

}  // namespace zub
