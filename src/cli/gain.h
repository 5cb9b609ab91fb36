// `zub gain`: what the recorded calls printed against what plain tools would
// have printed, per subcommand and in total, for all time and for the last
// 24 hours, with the baselines stated; `--daily` per UTC day instead, and
// `--json` either as one JSON object for programs. `zub gain --reset`
// empties the ledger.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/output.h"

namespace zub {

// gain's usage line, for its help and its errors.
inline constexpr std::string_view kGainUsage = "zub gain [--daily] [--json] [--reset]";

struct GainOptions {
  bool reset = false, daily = false, json = false;
  bool unexpected = false;  // an operand, a repeated switch, or --reset with another
};

int cmd_gain(const GainOptions& opts, Output& out);

}  // namespace zub
