#include "base/os_error.h"

#include <cstring>

namespace zub {

std::string os_error_text(int err) {
  char buf[256];
  // GNU strerror_r may return a static string instead of filling buf.
  const char* msg = strerror_r(err, buf, sizeof buf);
  return std::string(msg) + " (os error " + std::to_string(err) + ")";
}

}  // namespace zub
