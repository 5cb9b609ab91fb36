// What a subcommand's run ends with: its exit status, and the bytes a plain
// tool would have printed for the same request (the bytes a filter read,
// the whole file an outline stands for, the lines `grep -rn` would list),
// 0 where the run does not measure it. The front end hands both to the
// gain ledger.
#pragma once

#include <cstdint>

namespace zub {

struct Outcome {
  int status = 0;
  uint64_t baseline = 0;
};

}  // namespace zub
