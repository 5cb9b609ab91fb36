// Runs a shell command, compresses its output and keeps its exit status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

enum class WrapMode { kTrim, kDiag, kLogs, kRaw };

struct WrapOptions {
  uint64_t width = 200;
  WrapMode mode = WrapMode::kTrim;
  std::vector<std::string> command;
};

int cmd_wrap(const WrapOptions& opts, Output& out);

}  // namespace zub
