// Character references and tag removal on arbitrary bytes: no crash, valid
// UTF-8 kept valid, text without "&" unchanged, and never longer than the
// input (every reference is at least as long as what it decodes to).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/utf8.h"
#include "html/entities.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::string out = zub::decode_entities(in);
  const bool valid = zub::is_valid_utf8(in);
  if (valid && !zub::is_valid_utf8(out)) std::abort();
  if (in.find('&') == std::string_view::npos && out != in) std::abort();
  if (out.size() > in.size()) std::abort();
  const std::string text = zub::strip_tags(in);
  if (valid && !zub::is_valid_utf8(text)) std::abort();
  return 0;
}
