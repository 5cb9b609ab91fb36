// Whole-page conversion on arbitrary bytes: must not crash, must stay within
// its linear budget, and must give valid UTF-8 for valid UTF-8 input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/utf8.h"
#include "html/markdown.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::string md = zub::html_to_markdown(in);
  if (zub::is_valid_utf8(in) && !zub::is_valid_utf8(md)) std::abort();
  return 0;
}
