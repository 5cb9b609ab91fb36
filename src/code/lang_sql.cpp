// SQL: CREATE statements (tables, views, indexes, functions, procedures,
// triggers, types, ...); the object's block is its statement, to the ";"
// (or the delimiter a DELIMITER line set) outside strings, comments and
// dollar-quoted bodies.
#include <iterator>

#include "code/doc_lines.h"
#include "code/languages.h"

namespace zub::code {

namespace {

struct SqlState {
  char in = 0;                // '\'', '"', '`' or '*' (block comment), 0 in code
  std::string_view dollar{};  // the tag of an open dollar-quoted body, "$$" or "$name$"
};

// Steps over `l` from `st`; returns the offset of the first `delim` in code,
// or npos.
size_t scan_sql(std::string_view l, SqlState& st, std::string_view delim) {
  for (size_t k = 0; k < l.size(); ++k) {
    if (!st.dollar.empty()) {
      const size_t e = l.find(st.dollar, k);
      if (e == std::string_view::npos) return std::string_view::npos;
      k = e + st.dollar.size() - 1;
      st.dollar = {};
      continue;
    }
    const char c = l[k];
    if (st.in == '*') {
      if (c == '*' && k + 1 < l.size() && l[k + 1] == '/') st.in = 0, ++k;
      continue;
    }
    if (st.in != 0) {
      if (c == '\\' && st.in == '\'')
        ++k;
      else if (c == st.in)
        st.in = 0;
      continue;
    }
    if (l.substr(k, delim.size()) == delim) return k;
    if (c == '\'' || c == '"' || c == '`') {
      st.in = c;
    } else if (c == '-' && k + 1 < l.size() && l[k + 1] == '-') {
      return std::string_view::npos;
    } else if (c == '/' && k + 1 < l.size() && l[k + 1] == '*') {
      st.in = '*';
      ++k;
    } else if (c == '$' && (k == 0 || !is_ident_byte(l[k - 1]))) {
      size_t e = k + 1;
      while (e < l.size() && is_ident_byte(l[e]) && l[e] != '$') ++e;
      if (e < l.size() && l[e] == '$') {
        st.dollar = l.substr(k, e - k + 1);
        k = e;
      }
    }
  }
  return std::string_view::npos;
}

bool starts_create(std::string_view l) {
  const std::string_view t = trim(l);
  return equals_nocase(lead_word(t), "create") && (t.size() == 6 || is_space(t[6]));
}

// The words between CREATE and the object's kind, and the kinds.
constexpr std::string_view kModifiers[] = {
    "or",        "replace",      "alter",   "temp",         "temporary", "global",
    "local",     "unlogged",     "unique",  "materialized", "recursive", "virtual",
    "clustered", "nonclustered", "foreign", "constraint",
};
constexpr std::string_view kKinds[] = {
    "table",    "view",   "index",    "function", "procedure", "proc",      "trigger", "type",
    "sequence", "schema", "database", "domain",   "extension", "aggregate", "event",   "role",
    "user",     "policy", "rule",     "operator", "collation", "macro",
};

bool in_list(std::string_view w, const std::string_view* list, size_t n) {
  for (size_t k = 0; k < n; ++k)
    if (equals_nocase(w, list[k])) return true;
  return false;
}

// The offset where the object's name starts on a CREATE line, or npos.
size_t name_offset(std::string_view l) {
  size_t k = indent_of(l) + 6;
  bool kind = false;
  for (;;) {
    while (k < l.size() && is_space(l[k])) ++k;
    size_t e = k;
    while (e < l.size() && !is_space(l[e]) && l[e] != '(') ++e;
    const std::string_view w = l.substr(k, e - k);
    if (w.empty()) return std::string_view::npos;
    if (!kind) {
      if (in_list(w, kKinds, std::size(kKinds)))
        kind = true;
      else if (!in_list(w, kModifiers, std::size(kModifiers)) &&
               w.find('=') == std::string_view::npos)  // DEFINER=user
        return std::string_view::npos;
    } else if (!equals_nocase(w, "if") && !equals_nocase(w, "not") && !equals_nocase(w, "exists") &&
               !equals_nocase(w, "concurrently")) {
      return k;
    }
    k = e;
  }
}

}  // namespace

// Lines that start inside a block comment, a string or a dollar-quoted body
// are dead.
std::vector<LineScope> sql_scopes(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  SqlState st;
  for (size_t i = 0; i < lines.size(); ++i) {
    out[i].dead = st.in != 0 || !st.dollar.empty();
    scan_sql(lines[i], st, std::string_view("\n"));  // a delimiter no line holds
  }
  return out;
}

Head sql_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t) {
  const std::vector<std::string_view>& lines = *src.lines;
  const std::string_view l = lines[i];
  if (!starts_create(l)) return {};
  const size_t name = name_offset(l);
  if (name == std::string_view::npos || col < name) return {};
  // The name, qualified and quoted as it may be: the symbol is one of its parts.
  for (size_t k = name; k < col; ++k)
    if (is_space(l[k]) || l[k] == '(') return {};
  if (col + len < l.size() && !is_space(l[col + len]) &&
      std::string_view(".\"`]();").find(l[col + len]) == std::string_view::npos)
    return {};
  // The delimiter in force: ";" unless a DELIMITER line above changed it.
  std::string_view delim = ";";
  for (size_t j = i; j-- > 0;) {
    const std::string_view t = trim(lines[j]);
    if (!src.scopes[j].dead && equals_nocase(lead_word(t), "delimiter")) {
      const std::string_view d = trim(t.substr(9));
      if (!d.empty()) delim = d;
      break;
    }
  }
  SqlState st;
  for (size_t j = i; j < lines.size(); ++j)
    if (scan_sql(lines[j], st, delim) != std::string_view::npos) return definition_end(i, j);
  return definition_end(i, last_filled(lines, i, lines.size() - 1));
}

bool sql_outline(const SourceText& src, size_t i) { return starts_create((*src.lines)[i]); }

}  // namespace zub::code
