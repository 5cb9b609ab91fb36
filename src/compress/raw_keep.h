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

struct RawKept {
  bool ok = false;
  int err = 0;           // errno when !ok
  std::string path;      // the kept file (or the directory, when !ok)
  uint64_t lines = 0;    // lines in the kept bytes
  uint64_t dropped = 0;  // leading bytes left out to stay within the bound
};

// Writes `bytes` to a new file of the ring; of more than kRawKeepBytes,
// only the whole lines within the last kRawKeepBytes (a single longer last
// line is kept from where the bound cuts it). The file is written with
// mode 0600 under a temporary name and renamed; then the oldest files
// beyond the bounds are removed. The name is "{UTC time}-{pid}-{sub}.log",
// with "-exit{N}" before ".log" when `exit_status` is given.
RawKept keep_raw(std::string_view sub, std::string_view bytes, std::optional<int> exit_status);

// The note on standard error for a keep_raw result. `never_read`: bytes of
// the input that a cap left out before anything was kept (the kept bytes
// hold a gap line there).
std::string raw_kept_note(const RawKept& k, uint64_t never_read = 0);

// Keeps `read` and writes the note when fewer than read.size() bytes were
// printed and ZUB_NO_RAW is not set; otherwise does nothing.
void keep_raw_if_shortened(std::string_view sub, std::string_view read, uint64_t printed,
                           std::optional<int> exit_status, Output& out, uint64_t never_read = 0);

}  // namespace zub
