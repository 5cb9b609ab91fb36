// The cache record (four lines, the body check and the URL), read back from disk.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "web/fetch_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto rec = zub::parse_cache_record(text);
  if (!rec) return 0;
  // A record written back reads the same (fields never hold line ends,
  // except a lone trailing "\r" on an unterminated last line).
  if (rec->etag.find('\r') != std::string::npos ||
      rec->last_modified.find('\r') != std::string::npos ||
      (rec->url && rec->url->find('\r') != std::string::npos))
    return 0;
  auto again = zub::parse_cache_record(zub::format_cache_record(*rec));
  if (!again || again->fetch_time != rec->fetch_time || again->lifetime != rec->lifetime ||
      again->etag != rec->etag || again->last_modified != rec->last_modified ||
      again->body != rec->body || again->url != rec->url)
    std::abort();
  return 0;
}
