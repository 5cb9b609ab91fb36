#include "search/glob.h"

#include <utility>

namespace zub {

namespace {

// The length of the class that opens at glob[i] (a '['), through its ']';
// 0 when it is not closed. A ']' right after "[", "[!" or "[^" is a member.
size_t class_length(std::string_view glob, size_t i) {
  size_t k = i + 1;
  if (k < glob.size() && (glob[k] == '!' || glob[k] == '^')) ++k;
  if (k < glob.size() && glob[k] == ']') ++k;
  const size_t close = glob.find(']', k);
  return close == std::string_view::npos ? 0 : close - i + 1;
}

// Whether the class `cls` (the whole "[…]") takes the byte `c`; "a-z" is
// a range of byte values, a '-' first or last is itself.
bool class_takes(std::string_view cls, unsigned char c) {
  size_t k = 1;
  const bool negated = cls[k] == '!' || cls[k] == '^';
  if (negated) ++k;
  const size_t end = cls.size() - 1;  // the closing ']'
  bool in = false;
  while (k < end) {
    const auto lo = static_cast<unsigned char>(cls[k]);
    if (k + 2 < end && cls[k + 1] == '-') {
      const auto hi = static_cast<unsigned char>(cls[k + 2]);
      in = in || (lo <= c && c <= hi);
      k += 3;
    } else {
      in = in || lo == c;
      ++k;
    }
  }
  return in != negated;
}

// Past the '}' that closes the '{' at glob[i]; npos when none does.
// Classes are stepped over whole: a brace or comma in one is a member.
size_t brace_end(std::string_view glob, size_t i) {
  size_t depth = 0;
  for (size_t k = i; k < glob.size(); ++k) {
    if (glob[k] == '[') {
      const size_t len = class_length(glob, k);
      if (len > 0) k += len - 1;
    } else if (glob[k] == '{') {
      ++depth;
    } else if (glob[k] == '}' && --depth == 0) {
      return k + 1;
    }
  }
  return std::string_view::npos;
}

// "**/" at the start or after a '/' written as a group that also offers
// nothing in its place ("{,**/}"); a '*' crosses slashes already.
std::string with_empty_globstar(std::string_view glob) {
  std::string out;
  for (size_t k = 0; k < glob.size(); ++k) {
    if (glob.substr(k, 3) == "**/" && (k == 0 || glob[k - 1] == '/')) {
      out += "{,**/}";
      k += 2;
    } else {
      out += glob[k];
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> expand_braces(std::string_view glob) {
  // Depth first over a stack of partly expanded globs, each with the place
  // before which it holds no group left to expand.
  if (glob.size() > kMaxExpandedGlobBytes) return {std::string(glob)};
  std::vector<std::pair<std::string, size_t>> todo;
  todo.emplace_back(std::string(glob), 0);
  std::vector<std::string> out;
  size_t steps = 0;
  while (!todo.empty()) {
    auto [g, from] = std::move(todo.back());
    todo.pop_back();
    if (++steps > 4 * kMaxGlobAlternatives || out.size() >= kMaxGlobAlternatives)
      return {std::string(glob)};
    size_t open = from, close = std::string_view::npos;
    for (; open < g.size(); ++open) {
      if (g[open] == '[') {
        const size_t len = class_length(g, open);
        if (len > 0) open += len - 1;
      } else if (g[open] == '{' && (close = brace_end(g, open)) != std::string_view::npos) {
        break;
      }
    }
    if (open >= g.size()) {
      out.push_back(std::move(g));
      continue;
    }
    // The alternatives: the body split at its own commas.
    std::vector<std::string_view> alts;
    const std::string_view body = std::string_view(g).substr(open + 1, close - open - 2);
    size_t depth = 0, start = 0;
    for (size_t k = 0; k < body.size(); ++k) {
      if (body[k] == '[') {
        const size_t len = class_length(body, k);
        if (len > 0) k += len - 1;
      } else if (body[k] == '{') {
        ++depth;  // every brace inside a closed group is closed in it
      } else if (body[k] == '}') {
        --depth;
      } else if (body[k] == ',' && depth == 0) {
        alts.push_back(body.substr(start, k - start));
        start = k + 1;
      }
    }
    alts.push_back(body.substr(start));
    // Each glob waiting gives at least one: too many are known before they
    // are built.
    if (out.size() + todo.size() + alts.size() > kMaxGlobAlternatives) return {std::string(glob)};
    const std::string_view head = std::string_view(g).substr(0, open);
    const std::string_view tail = std::string_view(g).substr(close);
    for (size_t a = alts.size(); a-- > 0;) {
      std::string next;
      next.reserve(head.size() + alts[a].size() + tail.size());
      next.append(head).append(alts[a]).append(tail);
      todo.emplace_back(std::move(next), open);
    }
  }
  return out;
}

bool glob_match(std::string_view glob, std::string_view text) {
  size_t g = 0, t = 0;
  size_t star = std::string_view::npos, star_t = 0;
  while (t < text.size()) {
    if (g < glob.size() && glob[g] == '*') {
      star = g++;
      star_t = t;
      continue;
    }
    if (g < glob.size()) {
      size_t len = 1;
      bool takes;
      if (glob[g] == '?') {
        takes = true;
      } else if (glob[g] == '[' && (len = class_length(glob, g)) > 0) {
        takes = class_takes(glob.substr(g, len), static_cast<unsigned char>(text[t]));
      } else {
        len = 1;
        takes = glob[g] == text[t];
      }
      if (takes) {
        g += len;
        ++t;
        continue;
      }
    }
    if (star == std::string_view::npos) return false;
    // Let the last star swallow one more byte.
    g = star + 1;
    t = ++star_t;
  }
  while (g < glob.size() && glob[g] == '*') ++g;
  return g == glob.size();
}

GlobSet::GlobSet(const std::vector<std::string>& globs) {
  for (const std::string& g : globs) {
    for (std::string& e : expand_braces(with_empty_globstar(g))) {
      has_slash_.push_back(e.find('/') != std::string::npos);
      globs_.push_back(std::move(e));
    }
  }
}

bool GlobSet::matches(std::string_view text) const {
  for (const std::string& g : globs_)
    if (glob_match(g, text)) return true;
  return false;
}

bool GlobSet::matches_file(const File& file) const {
  for (size_t k = 0; k < globs_.size(); ++k) {
    const std::string& g = globs_[k];
    if (!has_slash_[k]) {
      if (glob_match(g, file.name)) return true;
    } else if (glob_match(g, file.path) || glob_match(g, file.below_root)) {
      return true;
    }
  }
  return false;
}

}  // namespace zub
