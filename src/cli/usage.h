// The usage text and version line of the tool.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// The eighteen usage lines, each ending in a line feed except the last.
extern const char* const kUsageText;
extern const char* const kVersionLine;  // without line feed

// The lines of the usage text about subcommand `sub`: the line that begins
// with its name and a space, and the lines after it that begin with '-'
// (read's `--bytes`). Separated by line feeds, without a last one; empty
// when the usage text does not list `sub`.
std::string usage_lines(std::string_view sub);

// The forms `sub` takes beyond its usage lines (the habits of other tools),
// shown after them by its help; empty for a subcommand without any.
std::string_view usage_more(std::string_view sub);

}  // namespace zub
