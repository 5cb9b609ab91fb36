#include "base/control_text.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "base/ascii.h"
#include "base/utf8.h"

namespace zub {

namespace {

enum class Kind { kText, kSpace, kDrop };

bool is_line_separator_at(std::string_view s, size_t i) {
  return static_cast<unsigned char>(s[i]) == 0xE2 && i + 2 < s.size() &&
         static_cast<unsigned char>(s[i + 1]) == 0x80 &&
         (static_cast<unsigned char>(s[i + 2]) == 0xA8 ||
          static_cast<unsigned char>(s[i + 2]) == 0xA9);
}

// Rewrites `s`, asking `classify` about each control character (given its
// first byte and length); the runs of other bytes between them are copied
// whole.
template <typename Classify>
std::string rewrite(std::string_view s, Classify classify, bool separators_too) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const size_t run = i;
    size_t len = 0;
    for (; i < s.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(s[i]);
      if (c >= 0x20 && c < 0x7F) continue;
      if (c < 0x20 || c == 0x7F) {
        len = 1;
      } else if (is_c1_control_at(s, i)) {
        len = 2;
      } else if (separators_too && is_line_separator_at(s, i)) {
        len = 3;
      } else {
        continue;
      }
      break;
    }
    out.append(s.data() + run, i - run);
    if (len == 0) break;
    const unsigned char code =
        len == 2 ? static_cast<unsigned char>(s[i + 1]) : static_cast<unsigned char>(s[i]);
    switch (classify(code, len)) {
      case Kind::kText: out.append(s.substr(i, len)); break;
      case Kind::kSpace: out.push_back(' '); break;
      case Kind::kDrop: break;
    }
    i += len;
  }
  return out;
}

bool needs_rewrite(std::string_view s, bool separators_too) {
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F || is_c1_control_at(s, i) ||
        (separators_too && is_line_separator_at(s, i)))
      return true;
  }
  return false;
}

}  // namespace

std::string one_line_text(std::string_view s) {
  if (!needs_rewrite(s, true)) return std::string(s);
  return rewrite(
      s,
      [](unsigned char code, size_t len) {
        if (len == 3) return Kind::kSpace;  // line or paragraph separator
        if (len == 2) return code == 0x85 ? Kind::kSpace : Kind::kDrop;
        return (code >= '\t' && code <= '\r') ? Kind::kSpace : Kind::kDrop;
      },
      true);
}

std::string page_text(std::string_view s) {
  if (!needs_rewrite(s, false)) return std::string(s);
  // Only called for len 1 (C0, DEL) and len 2 (C1).
  return rewrite(
      s,
      [](unsigned char code, size_t len) {
        return len == 1 && (code == '\n' || code == '\t') ? Kind::kText : Kind::kDrop;
      },
      false);
}

namespace {

// The bytes take_page_text may drop: C0 controls other than line feed and
// tab, DEL, and the lead byte of a C1 control.
constexpr std::array<uint8_t, 256> kMayDrop = [] {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 0x20; ++c) t[static_cast<size_t>(c)] = c != '\n' && c != '\t';
  t[0x7F] = 1;
  t[0xC2] = 1;
  return t;
}();

// The first byte of s at or after `from` that may be dropped, or s.size().
size_t next_may_drop(std::string_view s, size_t from) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  // Eight bytes per test: a page has few such bytes.
  while (from + 8 <= n && !(kMayDrop[p[from]] | kMayDrop[p[from + 1]] | kMayDrop[p[from + 2]] |
                            kMayDrop[p[from + 3]] | kMayDrop[p[from + 4]] | kMayDrop[p[from + 5]] |
                            kMayDrop[p[from + 6]] | kMayDrop[p[from + 7]]))
    from += 8;
  while (from < n && !kMayDrop[p[from]]) ++from;
  return from;
}

}  // namespace

std::string take_page_text(std::string&& s) {
  // The same rule as page_text, applied in place: dropping only shortens
  // the text, and a page can be hundreds of megabytes. Runs of bytes that
  // stay are moved whole.
  size_t i = next_may_drop(s, 0);
  size_t w = i;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == 0xC2) {
      if (is_c1_control_at(s, i)) {
        i += 2;
      } else {
        s[w++] = s[i++];
      }
    } else {
      ++i;  // a C0 control or DEL
    }
    const size_t next = next_may_drop(s, i);
    if (w != i) std::memmove(s.data() + w, s.data() + i, next - i);
    w += next - i;
    i = next;
  }
  s.resize(w);
  return std::move(s);
}

std::string printable_url(std::string_view url) {
  std::string out;
  out.reserve(url.size());
  for (size_t i = 0; i < url.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(url[i]);
    const bool c1 = is_c1_control_at(url, i);
    if (c < 0x20 || c == 0x7F || c1) {
      for (size_t k = 0; k < (c1 ? 2u : 1u); ++k) {
        const unsigned char b = static_cast<unsigned char>(url[i + k]);
        out += '%';
        out += hex_digit(b >> 4, true);
        out += hex_digit(b, true);
      }
      if (c1) ++i;
      continue;
    }
    out.push_back(url[i]);
  }
  return out;
}

}  // namespace zub
