// `outline`: only the declaration lines of source files, with line numbers;
// a directory outlines the source files the search walk finds under it.
// Runs of imports, fields and macros fold into one line with their range.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/outcome.h"
#include "base/output.h"
#include "search/walk.h"

namespace zub {

inline constexpr uint64_t kOutlineDefaultLines = 400;

struct OutlineOptions {
  std::vector<std::string> files;       // files, directories, and ranges after a file
  uint64_t cap = kOutlineDefaultLines;  // outline lines per file, or per directory in all
  bool all = false;   // a directory's files over the size cap and non-source files too
  FileFilter filter;  // which files of a directory (grep's filter options)
};

// Status 2 when any file failed its status check, else 0; the baseline is
// the bytes of the files outlined.
Outcome cmd_outline(const OutlineOptions& opts, Output& out);

}  // namespace zub
