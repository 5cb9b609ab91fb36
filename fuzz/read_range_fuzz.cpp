// read's range argument ("10-20", "10,+5", "$", "L10-L20", "10,20p") on any
// text: parsing ends, gives the same range twice, and a range it gives has a
// first line, an end at or after it where "A,+N" set one, and a tail only
// for "$".
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "nav/read.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<zub::LineRange> a = zub::parse_range_arg(text);
  const std::optional<zub::LineRange> b = zub::parse_range_arg(text);
  check(a.has_value() == b.has_value());
  if (!a) return 0;
  check(a->a == b->a && a->b == b->b && a->tail == b->tail);
  check(a->tail == 0 || text == "$" || text == "$p");
  if (text.find(",+") != std::string_view::npos && a->b) check(*a->b >= a->a);
  return 0;
}
