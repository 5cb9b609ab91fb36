// Needles and a text from arbitrary bytes: every engine of the multi-needle
// search must return the leftmost hit (lowest needle index on a tie) that
// searching one needle at a time gives, from every starting offset tried.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "search/multi_needle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool icase = data[0] & 1;
  const size_t from_seed = data[0] >> 1;
  std::string_view in(reinterpret_cast<const char*>(data + 1), size - 1);
  // Needles are separated by NUL bytes; the text follows the first "\0\0".
  const size_t cut = in.find(std::string_view("\0\0", 2));
  if (cut == std::string_view::npos) return 0;
  std::string_view text = in.substr(cut + 2);
  std::vector<std::string_view> needles;
  std::string_view rest = in.substr(0, cut);
  while (needles.size() < 20) {
    const size_t z = rest.find('\0');
    needles.push_back(rest.substr(0, z));
    if (z == std::string_view::npos) break;
    rest = rest.substr(z + 1);
  }
  const zub::MultiNeedle m = zub::make_multi_needle(needles, icase);
  std::vector<zub::Needle> single;
  for (std::string_view n : needles) single.push_back(zub::make_needle(n, icase));
  for (size_t from : {size_t{0}, from_seed % (text.size() + 1), text.size()}) {
    zub::MultiHit want;
    for (size_t k = 0; k < single.size(); ++k) {
      const size_t at = zub::needle_find(single[k], text, from);
      if (at < want.pos) want = {at, k};
    }
    for (zub::MultiEngine e : zub::multi_engines_available(m)) {
      zub::MultiNeedle forced = m;
      forced.engine = e;
      const zub::MultiHit got = zub::multi_find(forced, text, from);
      if (got.pos != want.pos) std::abort();
      if (got.pos != std::string_view::npos && got.which != want.which) std::abort();
    }
  }
  return 0;
}
