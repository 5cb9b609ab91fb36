#include "html/html_strip.h"

#include <array>
#include <cstring>

#include "html/entities.h"

namespace zub {

namespace {

constexpr size_t npos = std::string_view::npos;

// A root shorter than this is more likely a teaser box than the article.
constexpr size_t kMinRootBytes = 400;

constexpr size_t kMaxNames = 17;
using NameList = std::array<std::string_view, kMaxNames>;

// clang-format off
constexpr NameList kDropped = {
    "head",   "script", "style",  "noscript", "template", "svg",
    "nav",    "footer", "aside",  "form",     "iframe",   "picture",
    "video",  "canvas", "select", "button",   "dialog"};
// clang-format on

// Elements whose content is code or drawing, never text a reader sees.
constexpr NameList kCode = {"script", "style", "svg"};

bool eq_lower(const char* p, std::string_view lower) {
  for (size_t i = 0; i < lower.size(); ++i) {
    char c = p[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    if (c != lower[i]) return false;
  }
  return true;
}

// First position >= from where `needle` (lower case, starting with "<")
// occurs in `hay`, ignoring ASCII case.
size_t find_ci(std::string_view hay, std::string_view needle, size_t from) {
  const char* base = hay.data();
  while (from + needle.size() <= hay.size()) {
    const void* hit = std::memchr(base + from, '<', hay.size() - from);
    if (!hit) return npos;
    size_t at = static_cast<size_t>(static_cast<const char*>(hit) - base);
    if (at + needle.size() > hay.size()) return npos;
    if (eq_lower(base + at + 1, needle.substr(1))) return at;
    from = at + 1;
  }
  return npos;
}

// Last position >= from where `needle` (lower case, starting with "<")
// occurs in `hay`, ignoring ASCII case.
size_t rfind_ci(std::string_view hay, std::string_view needle, size_t from) {
  if (hay.size() < needle.size() || hay.size() - needle.size() < from) return npos;
  size_t at = hay.size() - needle.size();
  while (true) {
    at = hay.rfind('<', at);
    if (at == npos || at < from) return npos;
    if (eq_lower(hay.data() + at + 1, needle.substr(1))) return at;
    if (at == from) return npos;
    --at;
  }
}

int name_index(const NameList& names, std::string_view name) {
  for (size_t i = 0; i < names.size() && !names[i].empty(); ++i)
    if (names[i] == name) return static_cast<int>(i);
  return -1;
}

// Finds "</name" (name compared case-insensitively) at or after a position.
// Remembers its last answer per name: the scan only moves forward, so every
// byte is searched at most once per name even when closing tags are missing.
struct CloseFinder {
  std::string_view text;
  const NameList& names;
  std::array<size_t, kMaxNames> searched_from{};
  std::array<size_t, kMaxNames> found{};
  std::array<bool, kMaxNames> valid{};

  size_t find(int idx, size_t from) {
    const size_t i = static_cast<size_t>(idx);
    if (valid[i] && searched_from[i] <= from && (found[i] == npos || found[i] >= from))
      return found[i];
    const std::string_view name = names[i];
    size_t at = from;
    size_t result = npos;
    const char* base = text.data();
    while (at < text.size()) {
      const void* hit = std::memchr(base + at, '<', text.size() - at);
      if (!hit) break;
      at = static_cast<size_t>(static_cast<const char*>(hit) - base);
      if (at + 2 + name.size() > text.size()) break;
      if (base[at + 1] == '/' && eq_lower(base + at + 2, name)) {
        result = at;
        break;
      }
      ++at;
    }
    valid[i] = true;
    searched_from[i] = from;
    found[i] = result;
    return result;
  }
};

size_t after_gt(std::string_view s, size_t from) {
  size_t gt = s.find('>', from);
  return gt == npos ? s.size() : gt + 1;
}

// Removes comments and the elements of `names` with their content.
std::string strip_listed(std::string_view html, const NameList& names) {
  std::string out;
  out.reserve(html.size());
  CloseFinder closes{html, names};
  const char* base = html.data();
  const size_t n = html.size();
  size_t pos = 0;
  while (pos < n) {
    const void* hit = std::memchr(base + pos, '<', n - pos);
    if (!hit) {
      out.append(base + pos, n - pos);
      break;
    }
    const size_t lt = static_cast<size_t>(static_cast<const char*>(hit) - base);
    out.append(base + pos, lt - pos);
    if (html.compare(lt, 4, "<!--") == 0) {
      const size_t end = html.find("-->", lt + 4);
      pos = end == npos ? n : end + 3;
      continue;
    }
    char name_buf[33];
    const size_t name_len = read_tag_name(html, lt, name_buf);
    const int idx = name_len == 0 ? -1 : name_index(names, std::string_view(name_buf, name_len));
    if (idx >= 0) {
      // The name must end the tag name proper: "<navbar" is not "<nav".
      size_t after = lt + 1;
      while (after < n && html[after] == '/') ++after;
      after += name_len;
      const char next = after < n ? html[after] : '>';
      if (next == '\t' || next == '\n' || next == ' ' || next == '/' || next == '>') {
        out.push_back('\n');
        if (lt + 1 < n && html[lt + 1] == '/') {
          pos = after_gt(html, lt + 1);  // a stray closing tag: itself only
          continue;
        }
        const size_t close = closes.find(idx, lt + 1);
        pos = close == npos ? after_gt(html, lt + 1) : after_gt(html, close + 2);
        continue;
      }
    }
    const size_t end = after_gt(html, lt + 1);
    out.append(base + lt, end - lt);
    pos = end;
  }
  return out;
}

}  // namespace

std::string_view content_root(std::string_view doc) {
  struct Candidate {
    std::string_view open, close;
  };
  static constexpr Candidate kCandidates[] = {
      {"<article", "</article"},
      {"<main", "</main"},
      {"<div id=\"content", "</div"},
      {"<div class=\"content", "</div"},
  };
  for (const Candidate& c : kCandidates) {
    const size_t v = find_ci(doc, c.open, 0);
    if (v == npos) continue;
    const size_t end = rfind_ci(doc, c.close, v);
    if (end != npos && end - v > kMinRootBytes) return doc.substr(v, end - v);
  }
  return doc;
}

std::string strip_elements(std::string_view html) { return strip_listed(html, kDropped); }

std::string strip_code_elements(std::string_view html) { return strip_listed(html, kCode); }

}  // namespace zub
