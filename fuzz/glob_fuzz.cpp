// Glob matching against a reference that tries every split of "*": the
// single-star scan must give the same answer on any glob and text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "search/glob.h"

namespace {

bool reference(std::string_view g, std::string_view t) {
  if (g.empty()) return t.empty();
  if (g[0] == '*') {
    for (size_t k = 0; k <= t.size(); ++k)
      if (reference(g.substr(1), t.substr(k))) return true;
    return false;
  }
  if (t.empty()) return false;
  if (g[0] != '?' && g[0] != t[0]) return false;
  return reference(g.substr(1), t.substr(1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const size_t cut = in.find('\0');
  if (cut == std::string_view::npos) return 0;
  std::string_view glob = in.substr(0, cut), text = in.substr(cut + 1);
  if (glob.size() > 12 || text.size() > 24) return 0;  // the reference is exponential
  if (zub::glob_match(glob, text) != reference(glob, text)) std::abort();
  return 0;
}
