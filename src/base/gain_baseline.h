// The baseline of the running call: how many bytes a plain tool would have
// printed for the same request (the bytes a filter read, the whole file an
// outline stands for, the lines `grep -rn` would list). Subcommands add to
// it where they learn the figure; the call's ledger record reads it at the
// end. Thread-safe.
#pragma once

#include <cstdint>

namespace zub {

void add_gain_baseline(uint64_t bytes);

uint64_t gain_baseline();

}  // namespace zub
