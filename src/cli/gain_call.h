// Records one call of a subcommand in the gain ledger: which subcommands
// are recorded, what their baseline is, and the clock around the call.
// Recording never changes a call's output or status, and ZUB_NO_GAIN turns
// it off. Not thread-safe: one per process, around the dispatch.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "base/outcome.h"
#include "base/output.h"

namespace zub {

class GainCall {
 public:
  // Starts the clock when `sub` is recorded and recording is on.
  GainCall(std::string_view sub, const Output& out);
  // Appends the record of the call's outcome (when active) and returns its
  // status unchanged.
  int finish(const Outcome& outcome);

 private:
  bool active_ = false;
  bool baseline_is_printed_ = false;
  std::string sub_;
  struct timespec start_ {};
  uint64_t written_before_ = 0;
  const Output& out_;
};

// The start of a call that records itself (the hook, whose baseline is
// known only after it ran).
class GainClock {
 public:
  GainClock();
  uint64_t elapsed_ms() const;

 private:
  struct timespec start_ {};
};

// Appends one record for `sub` unless ZUB_NO_GAIN is set.
void record_gain(std::string_view sub, uint64_t baseline, uint64_t printed, const GainClock& clock,
                 int status);

}  // namespace zub
