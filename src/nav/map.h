// Directory and file-kind distribution of one or more roots: how many files,
// which kinds are most common, and which directories hold the most bytes.
// Walks with its own explicit stack (no file list is built) and leaves out
// what the skip-name test leaves out. Thread-safe: calls share no state and
// write their messages only to the Output they are given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/output.h"

namespace zub {

struct MapReport {
  std::string text;     // the report, ready to print unchanged
  bool failed = false;  // a root could not be read or was neither dir nor file
};

// Builds the distribution report of `roots` (at least one) with at most `n`
// directory rows. Messages about roots and depth go to out's error stream
// while the report is built; the report text itself is returned, not printed.
// With `depth`, only directories at most that many levels below their root
// are listed (0: the roots themselves), as `du --max-depth` does.
MapReport map_report(const std::vector<std::string>& roots, uint64_t n, Output& out,
                     std::optional<uint64_t> depth = std::nullopt);

// Orders two paths component by component (a root "/" before any name,
// empty and "." components after the first ignored). Exposed for tests.
bool path_less_by_components(std::string_view a, std::string_view b);

// The kind key of a file name: ".ext", the whole name when it has no
// extension (Makefile, .bashrc), or "." for an empty name.
std::string kind_key(std::string_view file_name);

inline constexpr uint64_t kMapDefaultRows = 25;

struct MapOptions {
  std::vector<std::string> roots;
  uint64_t rows = kMapDefaultRows;
  std::optional<uint64_t> depth;  // --depth N
};

// Prints the report of the roots and returns 2 when a root failed, else 0.
int cmd_map(const MapOptions& opts, Output& out);

}  // namespace zub
