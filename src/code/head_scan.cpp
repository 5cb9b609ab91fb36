// The shared pieces of the recognisers: the cursor's moves, the ends of
// heads and statements, and the name finders the outline tests use.
#include "code/head_scan.h"

#include <array>
#include <cstdint>

#include "code/block_end.h"

namespace zub::code {

bool Cursor::next_line() {
  ++i;
  c = 0;
  crossed = true;
  if (i > last) return false;
  // Preprocessor lines between a head and its body are not part of it.
  if (has_trait(lang, kPreprocessor)) {
    std::string_view l = line();
    size_t k = indent_of(l);
    if (k < l.size() && l[k] == '#') c = l.size();
  }
  return true;
}

bool Cursor::skip_space() {
  crossed = false;
  while (i <= last) {
    std::string_view l = line();
    while (c < l.size()) {
      const char x = l[c];
      if (is_space(x)) {
        ++c;
      } else if ((x == '/' || x == '#' || x == '-') && line_comment_at(lang, l, c)) {
        c = l.size();
      } else if (x == '/' && c + 1 < l.size() && l[c + 1] == '*' && !braceless(lang)) {
        c += 2;
        for (;;) {
          const size_t e = find_bytes(line(), "*/", c);
          if (e != std::string_view::npos) {
            c = e + 2;
            break;
          }
          if (!next_line()) return false;
        }
        l = line();
      } else {
        return true;
      }
    }
    if (!next_line()) return false;
  }
  return false;
}

void Cursor::skip_quoted() {
  const std::string_view l = line();
  const char q = l[c];
  for (++c; c < l.size(); ++c) {
    if (l[c] == '\\')
      ++c;
    else if (l[c] == q) {
      ++c;
      return;
    }
  }
}

bool Cursor::skip_group() {
  int depth = 0;
  while (skip_space()) {
    const char x = ch();
    if (x == '(' || x == '[' || x == '{') {
      ++depth;
      ++c;
    } else if (x == ')' || x == ']' || x == '}') {
      ++c;
      if (--depth <= 0) return true;
    } else if (x == '\'') {
      skip_quote_or_lifetime();
    } else if (x == '"' || x == '`') {
      skip_quoted();
    } else {
      ++c;
      // Inside the group a word's bytes cannot be white space, a comment,
      // a bracket or a quote: pass them without a look for those.
      if (depth > 0) {
        const std::string_view l = line();
        while (c < l.size() && is_ident_byte(l[c])) ++c;
      }
    }
    if (depth == 0) return true;
  }
  return false;
}

bool Cursor::skip_angles() {
  const std::string_view l = line();
  int depth = 0;
  for (size_t k = c; k < l.size(); ++k) {
    if (l[k] == '<')
      ++depth;
    else if (l[k] == '>' && !(k > 0 && l[k - 1] == '-')) {
      if (--depth == 0) {
        c = k + 1;
        return true;
      }
    } else if (l[k] == ';' || l[k] == '{' || l[k] == '}') {
      return false;
    }
  }
  return false;
}

bool Cursor::skip_angles_over_lines() {
  int depth = 0;
  while (skip_space()) {
    const char x = ch();
    if (x == '<') {
      ++depth;
      ++c;
    } else if (x == '>') {
      ++c;
      if (--depth == 0) return true;
    } else if ((x == '=' || x == '-') && at(1) == '>') {
      c += 2;
    } else if (x == '(' || x == '[' || x == '{') {
      if (!skip_group()) return false;
    } else if (x == ';' || x == ')' || x == ']' || x == '}') {
      return false;
    } else if (x == '\'') {
      skip_quote_or_lifetime();
    } else if (x == '"' || x == '`') {
      skip_quoted();
    } else {
      ++c;
    }
  }
  return false;
}

void Cursor::skip_quote_or_lifetime() {
  if (has_trait(lang, kLifetimes)) {
    const bool char_literal =
        at(2) == '\'' || (at(1) == '\\' && line().find('\'', c + 2) != std::string_view::npos);
    if (!char_literal) {
      ++c;
      return;
    }
  }
  skip_quoted();
}

Cursor cursor_at(const SourceText& src, size_t i, size_t c) {
  const std::vector<std::string_view>& lines = *src.lines;
  size_t last = i + kHeadLines;
  if (last >= lines.size()) last = lines.size() - 1;
  return Cursor{&lines, src.lang, i, c, last};
}

Stop first_brace_or_semicolon(const SourceText& src, size_t i, size_t c) {
  Cursor k = cursor_at(src, i, c);
  while (k.skip_space()) {
    const char x = k.ch();
    if (x == '{' || x == ';') return {k.i, k.c, x};
    if (x == '(' || x == '[') {
      if (!k.skip_group()) return {};
    } else if (x == '\'') {
      k.skip_quote_or_lifetime();
    } else if (x == '"' || x == '`') {
      k.skip_quoted();
    } else {
      ++k.c;
    }
  }
  return {};
}

size_t statement_end(const SourceText& src, size_t i, size_t c) {
  if (!src.extents) return i;
  const std::vector<std::string_view>& lines = *src.lines;
  const bool newline_ends = code::newline_ends(src.lang);
  const bool lifetimes = has_trait(src.lang, kLifetimes);
  int depth = 0;
  size_t limit = i + 400;
  if (limit >= lines.size()) limit = lines.size() - 1;
  for (size_t j = i; j <= limit; ++j) {
    const std::string_view l = lines[j];
    char last = 0;
    for (size_t k = j == i ? c : 0; k < l.size(); ++k) {
      const char x = l[k];
      if ((x == '/' || x == '#' || x == '-') && line_comment_at(src.lang, l, k)) break;
      if (is_space(x)) continue;
      last = x;
      if (x == '"' || (x == '\'' && !lifetimes) || x == '`') {
        for (++k; k < l.size() && l[k] != x; ++k)
          if (l[k] == '\\') ++k;
        continue;
      }
      if (x == '(' || x == '[' || x == '{') {
        ++depth;
      } else if (x == ')' || x == ']' || x == '}') {
        // Closing what the statement is inside of: it ended before.
        if (--depth < 0) return j > i && trim(l.substr(0, k)).empty() ? j - 1 : j;
      } else if ((x == ';' || (x == ',' && newline_ends)) && depth <= 0) {
        return j;
      }
    }
    if (newline_ends && depth <= 0 && last != 0) {
      static constexpr std::string_view kContinues = "=,|&+-*/?:(<[{.\\";
      if (kContinues.find(last) == std::string_view::npos) return j;
    }
    if (depth < 0) return j;
  }
  return limit;
}

Head definition_to_stop(const SourceText& src, size_t i, size_t c) {
  const Stop s = first_brace_or_semicolon(src, i, c);
  if (s.what == ';') return definition_end(i, s.line);
  if (s.what == '{') return definition_brace(i, s.line, s.col);
  return definition(i);
}

Head type_to_body(const SourceText& src, size_t i, size_t c) {
  Cursor k = cursor_at(src, i, c);
  while (k.skip_space()) {
    const char x = k.ch();
    if (x == '{') return definition_brace(i, k.i, k.c);
    if (x == ';') return definition_end(i, k.i);
    if (x == '<') {
      if (!k.skip_angles_over_lines()) return definition(i);
    } else if (x == '(' || x == '[') {
      if (!k.skip_group()) return definition(i);
    } else if (x == '\'') {
      k.skip_quote_or_lifetime();
    } else if (x == '"' || x == '`') {
      k.skip_quoted();
    } else if (x == '=' && k.at(1) != '>') {
      return definition(i);  // a type alias or an assignment: no body of its own
    } else {
      ++k.c;
    }
  }
  return definition(i);
}

size_t body_end(const SourceText& src, size_t line, size_t col) {
  const std::vector<std::string_view>& lines = *src.lines;
  const std::string_view l = lines[line];
  if (col >= l.size() || l[col] != '{') return kNoLine;
  // The depth before the brace, from the depth after the line and the
  // balance of what follows the brace on it.
  const int64_t tail = brace_balance(l.substr(col + 1));
  if (tail < 0) return line;
  const auto depth_after = [&](size_t j) -> int64_t {
    return j + 1 < lines.size() ? src.scopes[j + 1].depth : 0;
  };
  const int64_t before = depth_after(line) - tail - 1;
  // Braces the scan did not count (an #else branch) give no depth to go by.
  if (before < 0 ||
      static_cast<int64_t>(src.scopes[line].depth) + brace_balance(l.substr(0, col)) != before)
    return kNoLine;
  for (size_t j = line + 1; j < lines.size(); ++j)
    if (depth_after(j) <= before) return j;
  return lines.size() - 1;
}

bool name_before(std::string_view l, size_t end, size_t* col, size_t* len) {
  while (end > 0 && is_space(l[end - 1])) --end;
  size_t b = end;
  while (b > 0 && is_ident_byte(l[b - 1])) --b;
  if (b == end) {
    const size_t op = rfind_bytes(l.substr(0, end), "operator");
    if (op == std::string_view::npos || end - op > 12) return false;
    b = op;
  }
  if (b > 0 && l[b - 1] == '~') --b;  // a destructor
  *col = b;
  *len = end - b;
  return true;
}

size_t find_code(std::string_view l, std::string_view chars) {
  // Most bytes are none of the wanted ones, quotes or "/": one table look-up
  // each passes them.
  std::array<uint64_t, 4> wanted{}, stops{};
  const auto set = [](std::array<uint64_t, 4>& t, unsigned char x) {
    t[x >> 6] |= uint64_t{1} << (x & 63);
  };
  const auto has = [](const std::array<uint64_t, 4>& t, unsigned char x) {
    return (t[x >> 6] >> (x & 63)) & 1;
  };
  for (const char want : chars) set(wanted, static_cast<unsigned char>(want));
  stops = wanted;
  for (const char x : std::string_view("\"'`/")) set(stops, static_cast<unsigned char>(x));
  for (size_t k = 0; k < l.size(); ++k) {
    const char x = l[k];
    if (!has(stops, static_cast<unsigned char>(x))) continue;
    if (x == '"' || x == '\'' || x == '`') {
      for (++k; k < l.size() && l[k] != x; ++k)
        if (l[k] == '\\') ++k;
      continue;
    }
    if (x == '/' && k + 1 < l.size() && (l[k + 1] == '/' || l[k + 1] == '*'))
      return std::string_view::npos;
    if (has(wanted, static_cast<unsigned char>(x))) return k;
  }
  return std::string_view::npos;
}

bool keyword_name(std::string_view l, std::initializer_list<std::string_view> set, size_t* col,
                  size_t* len) {
  return keyword_name_before(l, find_code(l, "(=;"), set, col, len);
}

bool keyword_name_before(std::string_view l, size_t stop,
                         std::initializer_list<std::string_view> set, size_t* col, size_t* len) {
  const size_t n = stop == std::string_view::npos ? l.size() : stop;
  for (size_t k = 0; k < n;) {
    if (!is_ident_byte(l[k])) {
      ++k;
      continue;
    }
    size_t e = k;
    while (e < n && is_ident_byte(l[e])) ++e;
    if (is_word(l.substr(k, e - k), set) && (k == 0 || l[k - 1] != '.')) {
      size_t b = e;
      for (;;) {
        while (b < n && (is_space(l[b]) || l[b] == '*')) ++b;
        size_t w = b;
        while (w < n && is_ident_byte(l[w])) ++w;
        const std::string_view word = l.substr(b, w - b);
        if (word.empty()) return false;
        if (is_word(word, {"class", "struct", "final", "abstract", "sealed"}) ||
            is_word(word, set)) {
          b = w;
          continue;
        }
        *col = b;
        *len = w - b;
        return true;
      }
    }
    k = e;
  }
  return false;
}

bool word_at(std::string_view l, size_t k, size_t* col, size_t* len) {
  while (k < l.size() && is_space(l[k])) ++k;
  size_t w = k;
  while (w < l.size() && is_ident_byte(l[w])) ++w;
  *col = k;
  *len = w - k;
  return w > k;
}

}  // namespace zub::code
