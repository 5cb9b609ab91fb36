#include "base/gain_baseline.h"

#include <atomic>

namespace zub {

namespace {

std::atomic<uint64_t> g_baseline{0};

}  // namespace

void add_gain_baseline(uint64_t bytes) { g_baseline.fetch_add(bytes, std::memory_order_relaxed); }

uint64_t gain_baseline() { return g_baseline.load(std::memory_order_relaxed); }

}  // namespace zub
