// `outline`: only the declaration lines of source files, with line numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/outcome.h"
#include "base/output.h"

namespace zub {

inline constexpr uint64_t kOutlineDefaultLines = 400;

struct OutlineOptions {
  std::vector<std::string> files;
  uint64_t cap = kOutlineDefaultLines;  // outline lines per file
};

// Status 2 when any file failed its status check, else 0; the baseline is
// the bytes of the files outlined.
Outcome cmd_outline(const OutlineOptions& opts, Output& out);

}  // namespace zub
