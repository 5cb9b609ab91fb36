// Keeps the exact bytes that a filter (`wrap`, `trim`, `logs`, `diag`) read
// when it printed fewer, so that an agent who needs an elided line reads it
// from a file instead of running the build or test again. The files form a
// ring in the private state directory ("raw" under it): the newest runs
// within a count and a size bound, named so that they sort by time. Keeping
// is never in the way: a failure costs one note on standard error and
// changes neither the output nor the exit status. ZUB_NO_RAW turns it off.
// Thread-safe; concurrent processes each write their own file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/output.h"

namespace zub {

inline constexpr size_t kRawKeepRuns = 20;
inline constexpr uint64_t kRawKeepBytes = uint64_t{64} << 20;

// A file of the ring: where the bytes went and how many lines they are.
struct RawCopy {
  bool ok = false;
  int err = 0;           // errno when !ok
  std::string path;      // the kept file (or the directory, when !ok)
  uint64_t lines = 0;    // lines in the kept bytes
  uint64_t dropped = 0;  // leading bytes left out to stay within the bound
};

// Writes `bytes` to a new file of the ring, named after `sub`, whatever
// ZUB_NO_RAW says (the caller decides); of more than kRawKeepBytes only the
// whole lines within the last kRawKeepBytes.
RawCopy keep_raw_copy(std::string_view sub, std::string_view bytes);

// Keeps `read` and writes the note when fewer than read.size() bytes were
// printed, or when the filter says it `dropped` lines (its notes can make
// the output longer than what it left out), and ZUB_NO_RAW is not set;
// otherwise does nothing.
void keep_raw_if_shortened(std::string_view sub, std::string_view read, uint64_t printed,
                           std::optional<int> exit_status, Output& out, uint64_t never_read = 0,
                           bool dropped = false);

}  // namespace zub
