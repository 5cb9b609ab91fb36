// TOML: table headers ("[server]", "[[bin]]"; a table's block runs to the
// next header) and the keys set before the first table. Keys inside tables
// are not listed; multi-line strings are text and the lines of a value
// that runs over lines (an array, an inline table) continue its key.
#include "code/doc_lines.h"
#include "code/languages.h"

namespace zub::code {

namespace {

bool is_header(std::string_view l) {
  const std::string_view t = trim(l);
  return !t.empty() && t[0] == '[';
}

// The dotted key or table name starting at `k`: calls `part` with each
// component (inside its quotes) and returns where the name ends.
template <typename Part>
size_t read_name(std::string_view l, size_t k, Part part) {
  for (;;) {
    while (k < l.size() && is_space(l[k])) ++k;
    if (k >= l.size()) return k;
    if (l[k] == '"' || l[k] == '\'') {
      const char q = l[k];
      size_t e = k + 1;
      while (e < l.size() && l[e] != q) e += l[e] == '\\' && q == '"' ? size_t{2} : size_t{1};
      if (e > l.size()) e = l.size();
      part(k + 1, e);
      k = e + 1;
    } else {
      size_t e = k;
      while (e < l.size() && (is_ident_byte(l[e]) || l[e] == '-')) ++e;
      if (e == k) return k;
      part(k, e);
      k = e;
    }
    while (k < l.size() && is_space(l[k])) ++k;
    if (k >= l.size() || l[k] != '.') return k;
    ++k;
  }
}

// Whether `l` sets a key ("name = ..."), and where its "=" is.
bool key_line(std::string_view l, size_t* eq) {
  const size_t k = indent_of(l);
  if (k >= l.size() || l[k] == '#' || l[k] == '[') return false;
  const size_t e = read_name(l, k, [](size_t, size_t) {});
  if (e == k || e >= l.size() || l[e] != '=') return false;
  *eq = e;
  return true;
}

// Whether the name starting at `k` of `l` has the component [col, col+len).
bool names(std::string_view l, size_t k, size_t col, size_t len) {
  bool found = false;
  read_name(l, k, [&](size_t b, size_t e) { found = found || (b == col && e == col + len); });
  return found;
}

}  // namespace

// `scope` is Top before the first table header and Container after it;
// lines inside a multi-line string are dead, lines that start inside a
// value's brackets inner.
std::vector<LineScope> toml_scopes(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  Scope scope = Scope::Top;
  int depth = 0;
  char multi = 0;  // the quote of an open multi-line string
  for (size_t li = 0; li < lines.size(); ++li) {
    const std::string_view l = lines[li];
    out[li].dead = multi != 0;
    out[li].inner = depth > 0;
    size_t k = 0;
    if (multi == 0 && depth == 0 && is_header(l)) {
      scope = Scope::Container;
      k = l.find(']');
      k = k == std::string_view::npos ? l.size() : k;
    }
    out[li].scope = scope;
    for (; k < l.size(); ++k) {
      const char c = l[k];
      if (multi != 0) {
        if (c == '\\' && multi == '"')
          ++k;
        else if (c == multi && k + 2 < l.size() && l[k + 1] == c && l[k + 2] == c)
          multi = 0, k += 2;
        continue;
      }
      if (c == '#') break;
      if (c == '"' || c == '\'') {
        if (k + 2 < l.size() && l[k + 1] == c && l[k + 2] == c) {
          multi = c;
          k += 2;
          continue;
        }
        for (++k; k < l.size() && l[k] != c; ++k)
          if (l[k] == '\\' && c == '"') ++k;
      } else if (c == '[' || c == '{') {
        ++depth;
      } else if ((c == ']' || c == '}') && depth > 0) {
        --depth;
      }
    }
  }
  return out;
}

Head toml_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t) {
  const std::vector<std::string_view>& lines = *src.lines;
  if (src.scopes[i].inner) return {};
  const std::string_view l = lines[i];
  if (is_header(l)) {
    size_t k = indent_of(l) + 1;
    if (k < l.size() && l[k] == '[') ++k;
    if (!names(l, k, col, len)) return {};
    size_t j = i + 1;
    while (j < lines.size() && (src.scopes[j].dead || src.scopes[j].inner || !is_header(lines[j])))
      ++j;
    return definition_end(i, last_filled(lines, i, j - 1, '#'));
  }
  size_t eq = 0;
  if (scope != Scope::Top || !key_line(l, &eq) || col > eq || !names(l, indent_of(l), col, len))
    return {};
  size_t j = i;
  while (j + 1 < lines.size() && (src.scopes[j + 1].dead || src.scopes[j + 1].inner)) ++j;
  return definition_end(i, j);
}

bool toml_outline(const SourceText& src, size_t i) {
  const std::string_view l = (*src.lines)[i];
  size_t eq = 0;
  return is_header(l) || (src.scopes[i].scope == Scope::Top && key_line(l, &eq));
}

}  // namespace zub::code
