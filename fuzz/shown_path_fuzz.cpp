// Printed paths: whatever bytes a file name holds, what is printed is valid
// UTF-8 without a single control character, and a name that needs no
// escaping is printed as it is.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/shown_path.h"
#include "base/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::string out = zub::shown_path(in);
  if (!zub::is_valid_utf8(out)) std::abort();
  bool controls = false;
  size_t i = 0;
  while (i < out.size()) {
    const char32_t cp = zub::decode_next(out, i);
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) std::abort();
  }
  i = 0;
  while (i < in.size()) {
    const char32_t cp = zub::decode_next(in, i);
    controls |= cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
  }
  if (!controls && zub::is_valid_utf8(in) && out != in) std::abort();
  return 0;
}
