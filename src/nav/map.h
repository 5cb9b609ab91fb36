// Directory and file-kind distribution of one or more roots: how many files,
// which kinds are most common, and the parts of each root with the files and
// bytes under each, largest first.
// Walks with its own explicit stack (no file list is built) and leaves out
// what the skip-name test leaves out. Thread-safe: calls share no state and
// write their messages only to the Output they are given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/output.h"

namespace zub {

struct MapReport {
  std::string text;                // the report, ready to print unchanged
  bool failed = false;             // a root could not be read or was neither dir nor file
  std::vector<std::string> parts;  // the names right under a root that got a row
};

// Builds the distribution report of `roots` (at least one) with at most `n`
// directory rows: each root and its directories down to `depth` levels, each
// with the files and bytes of everything under it. Messages about roots and depth go to out's error
// stream while the report is built; the report text itself is returned, not printed.
MapReport map_report(const std::vector<std::string>& roots, uint64_t n, uint64_t depth,
                     Output& out);

// Orders two paths component by component (a root "/" before any name,
// empty and "." components after the first ignored). Exposed for tests.
bool path_less_by_components(std::string_view a, std::string_view b);

// The kind key of a file name: ".ext", the whole name when it has no
// extension (Makefile, .bashrc), or "." for an empty name.
std::string kind_key(std::string_view file_name);

inline constexpr uint64_t kMapDefaultRows = 25;
inline constexpr uint64_t kMapDefaultDepth = 1;

struct MapOptions {
  std::vector<std::string> roots;
  uint64_t rows = kMapDefaultRows;
  uint64_t depth = kMapDefaultDepth;  // levels of directories listed under each root
  bool files = false;  // ls -l and the like: each directory root's own files with their sizes
};

// The files right in directory `root` (the walk's skip-name test applied),
// by name, one "bytes name" line each under a "bytes file (root)" header;
// at most `n`, then a line that says how many there are and how to see
// them all. Empty when the directory cannot be read.
std::string root_files(const std::string& root, uint64_t n);

// Prints the report of the roots and returns 2 when a root failed, else 0.
int cmd_map(const MapOptions& opts, Output& out);

}  // namespace zub
