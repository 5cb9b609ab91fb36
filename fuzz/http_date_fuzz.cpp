// HTTP dates from Date, Expires and Last-Modified headers.
#include <cstdint>
#include <string_view>

#include "web/http_date.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto t = zub::parse_http_date(text);
  (void)t;
  return 0;
}
