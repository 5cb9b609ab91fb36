#include "base/text.h"

#include <cstring>

namespace zub {

uint64_t count_lines(std::string_view s) {
  uint64_t n = 0;
  const char* p = s.data();
  const char* end = p + s.size();
  while (p < end) {
    const void* nl = std::memchr(p, '\n', static_cast<size_t>(end - p));
    if (!nl) {
      ++n;  // a last line without its line feed
      break;
    }
    ++n;
    p = static_cast<const char*>(nl) + 1;
  }
  return n;
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for_each_line(text, [&](std::string_view line) { lines.push_back(line); });
  return lines;
}

size_t find_bytes(std::string_view hay, std::string_view needle, size_t from) {
  if (from > hay.size()) return std::string_view::npos;
  if (needle.empty()) return from;
  if (needle.size() > hay.size() - from) return std::string_view::npos;
  const char* base = hay.data();
  const char first = needle[0];
  const size_t rest = needle.size() - 1;
  const char* p = base + from;
  const char* last = base + hay.size() - needle.size();  // last start position
  while (p <= last) {
    const void* hit = std::memchr(p, first, static_cast<size_t>(last - p) + 1);
    if (!hit) return std::string_view::npos;
    const char* c = static_cast<const char*>(hit);
    if (rest == 0 || std::memcmp(c + 1, needle.data() + 1, rest) == 0)
      return static_cast<size_t>(c - base);
    p = c + 1;
  }
  return std::string_view::npos;
}

size_t rfind_bytes(std::string_view hay, std::string_view needle) { return hay.rfind(needle); }

bool starts_with(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool ends_with(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool contains(std::string_view s, std::string_view needle) {
  return find_bytes(s, needle, 0) != std::string_view::npos;
}

char ascii_lower_char(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_lower_char(c);
  return out;
}

std::string pad_left(std::string_view s, size_t width) {
  std::string out;
  if (s.size() < width) out.assign(width - s.size(), ' ');
  out.append(s);
  return out;
}

}  // namespace zub
