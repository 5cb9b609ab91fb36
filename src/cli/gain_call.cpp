#include "cli/gain_call.h"

#include <algorithm>
#include <iterator>

#include "base/env.h"
#include "base/unix_time.h"
#include "cli/gain_ledger.h"

namespace zub {

namespace {

// Subcommands whose baseline is learnt while they run.
constexpr std::string_view kMeasured[] = {"wrap",    "trim", "logs",  "diag",
                                          "outline", "grep", "fetch", "md"};
// Subcommands recorded with their own output as the baseline: no plain tool
// answers the same request, so no saving is claimed for them.
constexpr std::string_view kUnclaimed[] = {"read", "def", "map", "brief", "web"};

bool listed(std::string_view sub, const std::string_view* first, const std::string_view* last) {
  for (; first != last; ++first)
    if (*first == sub) return true;
  return false;
}

}  // namespace

GainCall::GainCall(std::string_view sub, const Output& out) : out_(out) {
  const bool measured = listed(sub, std::begin(kMeasured), std::end(kMeasured));
  baseline_is_printed_ = listed(sub, std::begin(kUnclaimed), std::end(kUnclaimed));
  if (!measured && !baseline_is_printed_) return;
  if (env_switch_set("ZUB_NO_GAIN")) return;
  active_ = true;
  sub_ = std::string(sub);
  written_before_ = out.written;
  clock_gettime(CLOCK_MONOTONIC, &start_);
}

namespace {

uint64_t ms_since(const struct timespec& start) {
  struct timespec end;
  clock_gettime(CLOCK_MONOTONIC, &end);
  const int64_t ns = (static_cast<int64_t>(end.tv_sec) - start.tv_sec) * 1000000000 +
                     (end.tv_nsec - start.tv_nsec);
  return ns > 0 ? static_cast<uint64_t>(ns) / 1000000 : 0;
}

}  // namespace

GainClock::GainClock() { clock_gettime(CLOCK_MONOTONIC, &start_); }

uint64_t GainClock::elapsed_ms() const { return ms_since(start_); }

void record_gain(std::string_view sub, uint64_t baseline, uint64_t printed, const GainClock& clock,
                 int status) {
  if (env_switch_set("ZUB_NO_GAIN")) return;
  GainRecord r;
  r.time = unix_now();
  r.sub = std::string(sub);
  r.baseline = baseline;
  r.printed = printed;
  r.ms = clock.elapsed_ms();
  r.status = status < 0 ? 0 : static_cast<uint64_t>(status);
  append_gain_record(r);
}

int GainCall::finish(const Outcome& outcome) {
  const int status = outcome.status;
  if (!active_) return status;
  GainRecord r;
  r.time = unix_now();
  r.sub = sub_;
  r.printed = out_.written - written_before_;
  // No plain command's output costs the agent more than the host shows of
  // it inline: past that it gets a preview and a file name.
  r.baseline = baseline_is_printed_ ? r.printed : std::min(outcome.baseline, host_inline_chars());
  r.ms = ms_since(start_);
  r.status = status < 0 ? 0 : static_cast<uint64_t>(status);
  append_gain_record(r);
  return status;
}

}  // namespace zub
