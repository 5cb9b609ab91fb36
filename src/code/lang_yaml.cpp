// YAML: the keys of each document's top-level mapping (a key's block is its
// line and the indented lines under it), or, when a document is a sequence,
// its items that are mappings ("- name: ..."). Keys of nested blocks are
// not listed; block scalars ("|", ">") are text.
#include "code/doc_lines.h"
#include "code/languages.h"

namespace zub::code {

namespace {

bool is_marker(std::string_view l, std::string_view m) {
  return starts_with(l, m) && (l.size() == 3 || is_space(l[3]));
}

bool is_item(std::string_view l) {
  return !l.empty() && l[0] == '-' && (l.size() == 1 || is_space(l[1]));
}

// The key that a mapping entry at the start of `l` names, as [from, to) of
// `l` (inside the quotes of a quoted key); false when `l` starts no entry.
bool key_at(std::string_view l, size_t* from, size_t* to) {
  if (l.empty() || is_space(l[0])) return false;
  const char c = l[0];
  if (c == '"' || c == '\'') {
    size_t e = 1;
    while (e < l.size() && l[e] != c) e += l[e] == '\\' && c == '"' ? size_t{2} : size_t{1};
    if (e >= l.size()) return false;
    size_t k = e + 1;
    while (k < l.size() && is_space(l[k])) ++k;
    if (k >= l.size() || l[k] != ':' || (k + 1 < l.size() && !is_space(l[k + 1]))) return false;
    *from = 1;
    *to = e;
    return true;
  }
  if (c == '#' || c == '%' || c == '[' || c == '{' || c == '?' || c == '|' || c == '>' ||
      is_item(l) || is_marker(l, "---") || is_marker(l, "..."))
    return false;
  for (size_t k = 0; k < l.size(); ++k) {
    if (l[k] == '#' && k > 0 && is_space(l[k - 1])) return false;
    if (l[k] == ':' && (k + 1 == l.size() || is_space(l[k + 1]))) {
      *from = 0;
      *to = k;
      while (*to > 0 && is_space(l[*to - 1])) --*to;
      return *to > 0;
    }
  }
  return false;
}

// A value that is a block scalar: the line ends in "|" or ">" with its
// indicators, before any comment.
bool opens_block_scalar(std::string_view l) {
  size_t e = l.size();
  const size_t hash = l.find(" #");
  if (hash != std::string_view::npos) e = hash;
  std::string_view t = trim(l.substr(0, e));
  while (!t.empty() && (t.back() == '-' || t.back() == '+' || (t.back() >= '1' && t.back() <= '9')))
    t.remove_suffix(1);
  if (t.empty() || (t.back() != '|' && t.back() != '>')) return false;
  t.remove_suffix(1);
  t = trim(t);
  return t.empty() || t.back() == ':' || t == "-" || t == "---" || t.back() == '-';
}

}  // namespace

// `scope` is Top in a document whose root is a mapping and Group in one
// whose root is a sequence; the bodies of block scalars are dead.
std::vector<LineScope> yaml_scopes(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  Scope root = Scope::Top;
  bool known = false;
  size_t scalar = kNoLine;  // lines indented more than this belong to a block scalar
  bool doc_scalar = false;  // "--- |": every line up to the next document marker does
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view l = lines[i];
    const bool doc_mark = is_marker(l, "---") || is_marker(l, "...");
    if (scalar != kNoLine || doc_scalar) {
      if (!doc_mark && (doc_scalar || is_blank_line(l) || indent_of(l) > scalar)) {
        out[i].dead = true;
        out[i].scope = root;
        continue;
      }
      scalar = kNoLine;
      doc_scalar = false;
    }
    if (doc_mark) known = false;
    const std::string_view t = trim(l);
    if (!known && !doc_mark && !t.empty() && t[0] != '#' && t[0] != '%') {
      root = is_item(l) ? Scope::Group : Scope::Top;
      known = true;
    }
    out[i].scope = root;
    if (opens_block_scalar(l)) {
      if (doc_mark)
        doc_scalar = true;
      else
        scalar = indent_of(l);
    }
  }
  return out;
}

Head yaml_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t) {
  const std::vector<std::string_view>& lines = *src.lines;
  size_t from = 0, to = 0;
  if (scope != Scope::Top || !key_at(lines[i], &from, &to) || col != from || col + len != to)
    return {};
  size_t j = i + 1;
  for (; j < lines.size(); ++j) {
    const std::string_view l = lines[j];
    if (src.scopes[j].dead || is_blank_line(l) || is_space(l[0]) || l[0] == '#' || is_item(l))
      continue;
    break;
  }
  return definition_end(i, last_filled(lines, i, j - 1, '#'));
}

bool yaml_outline(const SourceText& src, size_t i) {
  const std::string_view l = (*src.lines)[i];
  size_t from = 0, to = 0;
  if (src.scopes[i].scope == Scope::Top) return key_at(l, &from, &to);
  if (!is_item(l)) return false;
  const std::string_view rest = l.substr(indent_of(l.substr(1)) + 1);
  return key_at(rest, &from, &to);
}

}  // namespace zub::code
