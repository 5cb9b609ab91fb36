#include "base/text.h"

#include <array>
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

std::string_view line_at(std::string_view text, size_t from) {
  size_t end = text.find('\n', from);
  if (end == std::string_view::npos) end = text.size();
  if (end > from && text[end - 1] == '\r') --end;
  return text.substr(from, end - from);
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for_each_line(text, [&](std::string_view line) { lines.push_back(line); });
  return lines;
}

namespace {

// How common a byte is in source code and logs, 0 the rarest: white space,
// then lower-case letters in English order, digits and the common marks;
// other punctuation, capitals and bytes past ASCII are rare.
constexpr auto kByteRank = [] {
  std::array<uint8_t, 256> rank{};
  for (size_t c = 0; c < 256; ++c) rank[c] = 10;
  for (char c = 'A'; c <= 'Z'; ++c) rank[static_cast<unsigned char>(c)] = 40;
  for (char c = '0'; c <= '9'; ++c) rank[static_cast<unsigned char>(c)] = 60;
  const std::string_view common = "zqjxkvbpgwyfmculdhrsnioate";  // rarer first
  for (size_t i = 0; i < common.size(); ++i)
    rank[static_cast<unsigned char>(common[i])] = static_cast<uint8_t>(100 + 5 * i);
  for (char c : std::string_view("_-/.,:;()[]'\"=<>*")) rank[static_cast<unsigned char>(c)] = 50;
  rank[static_cast<unsigned char>('.')] = 90;
  rank[static_cast<unsigned char>(' ')] = 255;
  rank[static_cast<unsigned char>('\t')] = 200;
  return rank;
}();

}  // namespace

size_t find_bytes(std::string_view hay, std::string_view needle, size_t from) {
  if (from > hay.size()) return std::string_view::npos;
  if (needle.empty()) return from;
  if (needle.size() > hay.size() - from) return std::string_view::npos;
  // The needle's rarest byte is searched for: fewer false starts to compare
  // than with its first byte, which is often a space or a common letter.
  size_t k = 0;
  for (size_t i = 1; i < needle.size(); ++i)
    if (kByteRank[static_cast<unsigned char>(needle[i])] <
        kByteRank[static_cast<unsigned char>(needle[k])])
      k = i;
  const char* base = hay.data();
  const char key = needle[k];
  const char* p = base + from + k;                           // where the key byte may be
  const char* last = base + hay.size() - needle.size() + k;  // its last such place
  while (p <= last) {
    const void* hit = std::memchr(p, key, static_cast<size_t>(last - p) + 1);
    if (!hit) return std::string_view::npos;
    const char* c = static_cast<const char*>(hit) - k;  // the candidate start
    if (std::memcmp(c, needle.data(), needle.size()) == 0) return static_cast<size_t>(c - base);
    p = static_cast<const char*>(hit) + 1;
  }
  return std::string_view::npos;
}

size_t rfind_bytes(std::string_view hay, std::string_view needle) { return hay.rfind(needle); }

bool contains(std::string_view s, std::string_view needle) {
  return find_bytes(s, needle, 0) != std::string_view::npos;
}

char ascii_lower_char(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

namespace {

bool equals_lower(const char* p, std::string_view lower) {
  for (size_t i = 0; i < lower.size(); ++i)
    if (ascii_lower_char(p[i]) != lower[i]) return false;
  return true;
}

}  // namespace

size_t find_ascii_ci(std::string_view hay, std::string_view lower, size_t from) {
  constexpr size_t npos = std::string_view::npos;
  if (lower.empty()) return from <= hay.size() ? from : npos;
  const char first = lower.front();
  const bool letter = first >= 'a' && first <= 'z';
  const char* base = hay.data();
  while (from < hay.size() && hay.size() - from >= lower.size()) {
    size_t at = from;
    if (!letter) {
      const void* hit = std::memchr(base + from, first, hay.size() - from);
      if (!hit) return npos;
      at = static_cast<size_t>(static_cast<const char*>(hit) - base);
      if (hay.size() - at < lower.size()) return npos;
    }
    if (equals_lower(base + at, lower)) return at;
    from = at + 1;
  }
  return npos;
}

size_t rfind_ascii_ci(std::string_view hay, std::string_view lower, size_t from) {
  constexpr size_t npos = std::string_view::npos;
  if (hay.size() < lower.size() || hay.size() - lower.size() < from) return npos;
  for (size_t at = hay.size() - lower.size();; --at) {
    if (equals_lower(hay.data() + at, lower)) return at;
    if (at == from) return npos;
  }
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
