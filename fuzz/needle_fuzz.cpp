// Search a needle taken from the input in text taken from the same input,
// with and without case folding, from a chosen offset: the candidate-led
// search and the Two-Way fallback must both give the first position a
// naive scan gives. The needle may repeat itself to reach the costly
// near-match shapes that make the search hand over to Two-Way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "search/needle.h"

namespace {

char fold(char c, bool icase) {
  return icase && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

size_t naive(std::string_view hay, std::string_view needle, size_t from, bool icase) {
  for (size_t p = from; p + needle.size() <= hay.size(); ++p) {
    size_t k = 0;
    while (k < needle.size() && fold(hay[p + k], icase) == fold(needle[k], icase)) ++k;
    if (k == needle.size()) return p;
  }
  return std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const bool icase = data[0] & 1;
  const size_t repeat = 1 + (data[0] >> 1) % 64;  // needle = seed repeated
  const size_t from_pick = data[1];
  std::string_view in(reinterpret_cast<const char*>(data + 2), size - 2);
  // Needle seed and text are separated by the first NUL byte.
  const size_t cut = in.find('\0');
  if (cut == std::string_view::npos) return 0;
  std::string needle;
  for (size_t k = 0; k < repeat && needle.size() < 4096; ++k) needle.append(in.substr(0, cut));
  std::string hay(in.substr(cut + 1));
  // Text made of the needle's own bytes: near matches everywhere.
  if (data[0] & 0x80)
    for (size_t k = 0; k < 4; ++k) hay += needle.substr(0, needle.size() - k % (needle.size() + 1));
  const size_t from = hay.empty() ? 0 : from_pick % (hay.size() + 1);
  const zub::Needle n = zub::make_needle(needle, icase);
  const size_t want = needle.empty() ? from : naive(hay, needle, from, icase);
  if (zub::needle_find(n, hay, from) != want) std::abort();
  if (zub::needle_find_two_way(n, hay, from) != want) std::abort();
  return 0;
}
