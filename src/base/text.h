// Line splitting and the byte-level text helpers every subcommand shares.
// All functions are pure and thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zub {

// Cuts `text` at every line feed; a carriage return right before a line feed
// goes with it; the text after the last line feed is a line only when it is
// not empty. Views point into `text`.
std::vector<std::string_view> split_lines(std::string_view text);

// The number of lines split_lines finds, without building them.
uint64_t count_lines(std::string_view text);

// The line of `text` that starts at byte `from`, as split_lines cuts it.
std::string_view line_at(std::string_view text, size_t from);

// Calls fn(line) for each line of `text`, split as split_lines does, without
// building a vector.
template <typename Fn>
void for_each_line(std::string_view text, Fn&& fn) {
  size_t pos = 0;
  const size_t n = text.size();
  while (pos < n) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) {
      fn(text.substr(pos));
      return;
    }
    size_t end = nl;
    if (end > pos && text[end - 1] == '\r') --end;
    fn(text.substr(pos, end - pos));
    pos = nl + 1;
  }
}

// First occurrence of `needle` in `hay` at or after `from`; npos when absent.
// An empty needle is found at `from` (when from <= hay.size()).
size_t find_bytes(std::string_view hay, std::string_view needle, size_t from = 0);

// Last occurrence of `needle` in `hay`; npos when absent.
size_t rfind_bytes(std::string_view hay, std::string_view needle);

// Inline, and the first byte compared before the rest: the filters test
// every line against dozens of prefixes, most of which differ at once.
inline bool starts_with(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() &&
         (prefix.empty() || (s[0] == prefix[0] && s.compare(0, prefix.size(), prefix) == 0));
}
inline bool ends_with(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         (suffix.empty() || (s.back() == suffix.back() &&
                             s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0));
}
bool contains(std::string_view s, std::string_view needle);

// ASCII-only case mapping; other bytes are unchanged.
std::string ascii_lower(std::string_view s);
char ascii_lower_char(char c);

// First (last) position at or after `from` where `lower` (a lower-case
// needle) occurs in `hay` with ASCII letters matched in either case; npos
// when absent. A needle that starts with a byte that is not a letter (a
// tag's "<") is looked for with memchr.
size_t find_ascii_ci(std::string_view hay, std::string_view lower, size_t from = 0);
size_t rfind_ascii_ci(std::string_view hay, std::string_view lower, size_t from = 0);

// Right-aligns `s` in `width` columns, counting bytes.
std::string pad_left(std::string_view s, size_t width);

}  // namespace zub
