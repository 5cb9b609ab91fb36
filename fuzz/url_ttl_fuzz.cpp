// URLs as users pass them: host extraction and lifetime classes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "web/url_host.h"
#include "web/url_ttl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view url(reinterpret_cast<const char*>(data), size);
  std::string host = zub::url_host(url);
  if (host.size() > url.size()) std::abort();
  uint64_t ttl = zub::url_class_ttl(url);
  if (ttl != 0 && ttl != 900 && ttl != 3600 && ttl != 86400 && ttl != 604800 && ttl != 2592000)
    std::abort();
  return 0;
}
