// A redirect's target as a server writes it: the URL's scheme and host,
// and the kind of a literal address. No crash; scheme and host come out in
// lower case (the host's Unicode mapping turns three bytes into at most four
// ASCII characters); an address kind is the same with and without brackets.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "web/address_kind.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const zub::UrlTarget t = zub::url_target(text);
  if (t.host.size() > 2 * text.size() || t.scheme.size() > text.size()) std::abort();
  for (char c : t.scheme + t.host)
    if (c >= 'A' && c <= 'Z') std::abort();
  (void)zub::host_kind(t.host);
  const auto bare = zub::ip_kind(text);
  if (bare && text.find_first_of("[]") == std::string_view::npos) {
    const auto bracketed = zub::ip_kind("[" + std::string(text) + "]");
    if (!bracketed || *bracketed != *bare) std::abort();
  }
  return 0;
}
