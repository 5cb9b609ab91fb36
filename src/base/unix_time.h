// The wall clock in whole seconds, as cache records store it.
#pragma once

#include <cstdint>

namespace zub {

// Current Unix time in seconds (0 before 1970).
uint64_t unix_now();

}  // namespace zub
