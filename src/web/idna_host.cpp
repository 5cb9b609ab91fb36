#include "web/idna_host.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "base/utf8.h"

namespace zub {

namespace {

struct Fold {
  char32_t first;
  char32_t last;
  const char* text;
};

constexpr Fold kFolds[] = {
#include "web/host_fold.inc"
};

// The fold row holding `cp`, if any.
const Fold* fold_of(char32_t cp) {
  const Fold* end = std::end(kFolds);
  const Fold* it = std::upper_bound(std::begin(kFolds), end, cp,
                                    [](char32_t c, const Fold& f) { return c < f.first; });
  if (it == std::begin(kFolds)) return nullptr;
  --it;
  return cp <= it->last ? it : nullptr;
}

}  // namespace

std::string idna_host(std::string_view host) {
  std::string out;
  out.reserve(host.size());
  size_t i = 0;
  while (i < host.size()) {
    const unsigned char c = static_cast<unsigned char>(host[i]);
    if (c < 0x80) {
      out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c));
      ++i;
      continue;
    }
    const size_t start = i;
    const char32_t cp = decode_next(host, i);
    const Fold* f = cp == 0xFFFD ? nullptr : fold_of(cp);
    if (f == nullptr) {
      out.append(host.substr(start, i - start));
    } else if (std::string_view(f->text).size() == 1) {
      // A run counts up from its first character: Ａ..Ｚ, ⓐ..ⓩ, ０..９.
      out.push_back(static_cast<char>(f->text[0] + static_cast<int>(cp - f->first)));
    } else {
      out.append(f->text);
    }
  }
  return out;
}

}  // namespace zub
