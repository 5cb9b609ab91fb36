// Header JSON as curl writes it: the value reader and the freshness rules.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/utf8.h"
#include "web/header_json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view json(reinterpret_cast<const char*>(data), size);
  const bool valid = zub::is_valid_utf8(json);
  for (const char* name : {"etag", "cache-control", "age", "date", "expires", "last-modified"}) {
    auto v = zub::header_value(json, name);
    // Escapes only ever add scalar values, so valid input gives valid text.
    if (v && valid && !zub::is_valid_utf8(*v)) std::abort();
  }
  zub::Freshness f = zub::freshness_from_headers(json, 1700000000);
  if (!f.may_store && f.lifetime != zub::kNoLifetime) std::abort();
  return 0;
}
