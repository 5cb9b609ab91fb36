// Glob matching against a reference that tries every split of "*" and every
// alternative of a brace group in place: the set built with its braces
// expanded must give the same answer on any glob and text, and the
// expansion stays within its bound.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "search/glob.h"

namespace {

// The class at g[0] ('['): its length (0 when unclosed) and its bytes.
size_t parse_class(std::string_view g, std::bitset<256>& set) {
  set.reset();
  size_t k = 1;
  bool negated = false;
  if (k < g.size() && (g[k] == '!' || g[k] == '^')) {
    negated = true;
    ++k;
  }
  std::vector<unsigned char> members;
  bool first = true;
  for (; k < g.size(); ++k, first = false) {
    if (g[k] == ']' && !first) break;
    members.push_back(static_cast<unsigned char>(g[k]));
  }
  if (k >= g.size()) return 0;
  for (size_t m = 0; m < members.size(); ++m) {
    if (m + 2 < members.size() && members[m + 1] == '-') {
      for (unsigned c = members[m]; c <= members[m + 2]; ++c) set.set(c);
      m += 2;
    } else {
      set.set(members[m]);
    }
  }
  if (negated) set.flip();
  return k + 1;
}

// Past the '}' closing the '{' at g[0], or npos.
size_t group_end(std::string_view g) {
  int depth = 0;
  std::bitset<256> unused;
  for (size_t k = 0; k < g.size(); ++k) {
    if (g[k] == '[') {
      if (const size_t len = parse_class(g.substr(k), unused)) k += len - 1;
    } else if (g[k] == '{') {
      ++depth;
    } else if (g[k] == '}' && --depth == 0) {
      return k + 1;
    }
  }
  return std::string_view::npos;
}

// Answers already known, by glob and length of the text left.
using Memo = std::map<std::pair<std::string, size_t>, bool>;

bool reference(std::string_view g, std::string_view t, Memo& memo);

bool reference_step(std::string_view g, std::string_view t, Memo& memo) {
  if (g.empty()) return t.empty();
  if (g[0] == '*') {
    for (size_t k = 0; k <= t.size(); ++k)
      if (reference(g.substr(1), t.substr(k), memo)) return true;
    return false;
  }
  if (g[0] == '{') {
    const size_t end = group_end(g);
    if (end != std::string_view::npos) {
      const std::string_view body = g.substr(1, end - 2), rest = g.substr(end);
      int depth = 0;
      size_t start = 0;
      std::bitset<256> unused;
      for (size_t k = 0; k <= body.size(); ++k) {
        if (k < body.size() && body[k] == '[') {
          if (const size_t len = parse_class(body.substr(k), unused)) k += len - 1;
          continue;
        }
        if (k < body.size() && body[k] == '{') ++depth;
        if (k < body.size() && body[k] == '}') --depth;
        if (k == body.size() || (body[k] == ',' && depth == 0)) {
          std::string alt(body.substr(start, k - start));
          alt.append(rest);
          if (reference(alt, t, memo)) return true;
          start = k + 1;
        }
      }
      return false;
    }
  }
  if (t.empty()) return false;
  if (g[0] == '[') {
    std::bitset<256> set;
    if (const size_t len = parse_class(g, set))
      return set.test(static_cast<unsigned char>(t[0])) &&
             reference(g.substr(len), t.substr(1), memo);
  }
  if (g[0] != '?' && g[0] != t[0]) return false;
  return reference(g.substr(1), t.substr(1), memo);
}

// Every text is a suffix of the one given, so its length names it. Without
// the memo a run of stars makes the reference exponential: a 12-byte glob
// of nine stars against 24 bytes took minutes.
bool reference(std::string_view g, std::string_view t, Memo& memo) {
  auto key = std::make_pair(std::string(g), t.size());
  if (const auto it = memo.find(key); it != memo.end()) return it->second;
  const bool r = reference_step(g, t, memo);
  memo.emplace(std::move(key), r);
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const size_t cut = in.find('\0');
  if (cut == std::string_view::npos) {
    // Any glob expands within its bound and without a crash.
    if (zub::expand_braces(in).size() > zub::kMaxGlobAlternatives) std::abort();
    return 0;
  }
  std::string_view glob = in.substr(0, cut), text = in.substr(cut + 1);
  if (glob.size() > 12 || text.size() > 24) return 0;  // the reference is slow all the same
  const zub::GlobSet set({std::string(glob)});
  // "**/" may also be no directory, which the reference does not know.
  if (glob.find("**/") != std::string_view::npos) {
    (void)set.matches(text);
    return 0;
  }
  Memo memo;
  if (set.matches(text) != reference(glob, text, memo)) std::abort();
  return 0;
}
