// Folding of progress: the lines a build, test run or install prints for
// every step that went as it should (`Compiling foo v1.2`, `[ 28%]
// Building …`, `test x ... ok`, `Collecting requests`, `Setting up …`).
// A run of three or more such lines of the same kind keeps its first line
// and says how many followed; every other line stays where it was. Pure;
// thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zub {

struct ProgressFold {
  std::string text;
  uint64_t folded = 0;  // lines left out
};

ProgressFold fold_progress(std::string_view text);

// The kind of progress a line is (its leading words as the key), or an
// empty view when it is not a progress line.
std::string_view progress_kind(std::string_view line);

}  // namespace zub
