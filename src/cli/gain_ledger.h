// The ledger behind `zub gain`: one line per recorded call in "gain.log" in
// the private state directory, holding the time, the subcommand, the
// baseline bytes, the bytes printed, the milliseconds taken and the exit
// status, and nothing else (no arguments, paths or output). A record is
// appended with a single write() on a descriptor opened with O_APPEND, so
// records of concurrent calls never interleave. At 1 MiB the ledger is
// renamed to "gain.log.1" (replacing the older one) and a fresh one begins.
// Thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zub {

inline constexpr uint64_t kGainLedgerRotateBytes = uint64_t{1} << 20;
inline constexpr const char* kGainLedgerName = "gain.log";
inline constexpr const char* kGainLedgerOldName = "gain.log.1";

struct GainRecord {
  uint64_t time = 0;  // Unix seconds at the end of the call
  std::string sub;
  uint64_t baseline = 0;
  uint64_t printed = 0;
  uint64_t ms = 0;
  uint64_t status = 0;
};

// "{time}\t{sub}\t{baseline}\t{printed}\t{ms}\t{status}\n"
std::string format_gain_record(const GainRecord& r);

// One line without its line feed; nothing when it is not a whole record
// (a subcommand name is 1 to 16 lowercase ASCII letters).
std::optional<GainRecord> parse_gain_record(std::string_view line);

// Renames the ledger open at `fd` to the old one's name once it holds
// kGainLedgerRotateBytes, unless another call did so already. `between`
// (for tests) runs after the check that the name still holds this file and
// before the rename.
void rotate_gain_ledger(int dir_fd, int fd, const std::function<void()>& between = nullptr);

// Appends the record, rotating the ledger first when it has reached its
// bound. False when it could not be written; callers go on regardless.
bool append_gain_record(const GainRecord& r);

struct GainLedger {
  std::vector<GainRecord> records;  // oldest file first, in file order
  uint64_t broken = 0;              // lines that were not whole records
  std::string dir;                  // the state directory, for messages
};

// Both ledger files; a missing file counts as empty.
GainLedger read_gain_ledger();

// Removes both ledger files. False (with *err) when one exists and could
// not be removed.
bool reset_gain_ledger(int* err);

}  // namespace zub
