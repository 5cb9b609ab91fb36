#include "code/block_end.h"

#include "base/unicode.h"

namespace zub {

int64_t brace_balance(std::string_view line) {
  int64_t depth = 0;
  bool in_string = false;
  const size_t n = line.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = line[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
      continue;
    }
    switch (c) {
      case '"': in_string = true; break;
      case '\'':
        if (i + 2 < n && line[i + 2] == '\'') i += 2;  // '{' and the like
        break;
      case '/':
        if (i + 1 < n && line[i + 1] == '/') return depth;
        break;
      case '#':  // a comment, unless glued to a word as in this.#field
        if (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t') return depth;
        break;
      case '{': ++depth; break;
      case '}': --depth; break;
      default: break;
    }
  }
  return depth;
}

namespace {

size_t brace_block_end(const std::vector<std::string_view>& lines, size_t k, size_t last) {
  int64_t depth = 0;
  for (size_t j = k; j <= last; ++j) {
    depth += brace_balance(lines[j]);
    if (j == k) {
      if (depth == 0 && lines[j].find('}') != std::string_view::npos) return k;
    } else if (depth < 1) {
      return j;
    }
  }
  return last;
}

size_t indent_of(std::string_view line) { return line.size() - trim_ws_start(line).size(); }

size_t last_line(size_t count, size_t i, uint64_t n) {
  size_t last = count - 1;
  if (n < last - i) last = i + static_cast<size_t>(n);
  return last;
}

}  // namespace

size_t block_end_from(const std::vector<std::string_view>& lines, size_t i, size_t k, uint64_t n) {
  const size_t last = last_line(lines.size(), i, n);
  return k > last ? last : brace_block_end(lines, k, last);
}

size_t block_end(const std::vector<std::string_view>& lines, size_t i, uint64_t n) {
  const size_t last = last_line(lines.size(), i, n);
  const size_t look_end = last < i + 3 ? last : i + 3;
  for (size_t k = i; k <= look_end; ++k) {
    if (lines[k].find('{') != std::string_view::npos) return brace_block_end(lines, k, last);
    const std::string_view t = trim_ws_end(lines[k]);
    if (!t.empty() && t.back() == ':') break;
  }
  if (last == i) return i;
  const size_t d = indent_of(lines[i]);
  size_t end = i;
  for (size_t j = i + 1; j <= last; ++j) {
    if (is_blank(lines[j])) continue;
    if (indent_of(lines[j]) <= d) break;
    end = j;
  }
  return end;
}

size_t depth_block_end(const std::vector<LineScope>& scopes, size_t i) {
  const size_t n = scopes.size();
  const uint32_t d = scopes[i].depth;
  for (size_t j = i; j + 1 < n; ++j)
    if (scopes[j + 1].depth <= d) return j;
  return n - 1;
}

}  // namespace zub
