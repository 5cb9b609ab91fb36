#include "base/unix_time.h"

#include <ctime>

namespace zub {

uint64_t unix_now() {
  std::time_t t = std::time(nullptr);
  return t > 0 ? static_cast<uint64_t>(t) : 0;
}

}  // namespace zub
