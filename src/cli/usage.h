// The usage text and version line of the tool.
#pragma once

namespace zub {

// The eighteen usage lines, each ending in a line feed except the last.
extern const char* const kUsageText;
extern const char* const kVersionLine;  // without line feed

}  // namespace zub
