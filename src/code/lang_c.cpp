// C and C++: function heads with their specifiers, return types, attributes
// and qualifiers (K&R parameter declarations in C), prototypes, types,
// typedefs, enumerators, file-level variables and macro definitions.
#include "code/languages.h"

#include "base/text.h"
#include "base/unicode.h"
#include "code/block_end.h"
#include "code/head_scan.h"

namespace zub::code {

namespace {

bool c_stop_word(std::string_view w) {
  return is_word(w, {"return",        "if",
                     "else",          "while",
                     "for",           "switch",
                     "case",          "do",
                     "goto",          "sizeof",
                     "new",           "delete",
                     "throw",         "co_return",
                     "co_await",      "co_yield",
                     "typeof",        "__typeof__",
                     "defined",       "not",
                     "and",           "or",
                     "asm",           "__asm__",
                     "static_assert", "_Static_assert",
                     "break",         "continue",
                     "default",       "using",
                     "typedef",       "extern"});
}

// The text before a name in a function head: specifiers, a return type,
// attributes and macros with arguments, "*", "&", "Class::". Sets `is_extern`.
bool c_pre_ok(std::string_view pre, bool* is_extern) {
  size_t k = 0;
  const size_t n = pre.size();
  bool after_word = false;
  while (k < n) {
    const char x = pre[k];
    if (is_space(x)) {
      ++k;
      continue;
    }
    if (is_ident_byte(x)) {
      size_t e = k;
      while (e < n && is_ident_byte(pre[e])) ++e;
      const std::string_view w = pre.substr(k, e - k);
      if (w == "extern")
        *is_extern = true;
      else if (c_stop_word(w))
        return false;
      k = e;
      after_word = true;
      continue;
    }
    if (x == '(' && after_word) {  // attribute or macro arguments
      int depth = 0;
      for (; k < n; ++k) {
        if (pre[k] == '(')
          ++depth;
        else if (pre[k] == ')' && --depth == 0)
          break;
      }
      if (k == n) return false;
      ++k;
      after_word = false;
      continue;
    }
    if (x == '<') {  // template arguments
      int depth = 0;
      for (; k < n; ++k) {
        if (pre[k] == '<')
          ++depth;
        else if (pre[k] == '>' && --depth == 0)
          break;
        else if (pre[k] == ';' || pre[k] == '=')
          return false;
      }
      if (k == n) return false;
      ++k;
      after_word = true;
      continue;
    }
    if (x == '[' && k + 1 < n && pre[k + 1] == '[') {
      const size_t e = find_bytes(pre, "]]", k);
      if (e == std::string_view::npos) return false;
      k = e + 2;
      continue;
    }
    if (x == ':' && k + 1 < n && pre[k + 1] == ':') {
      k += 2;
      after_word = false;
      continue;
    }
    if (x == '*' || x == '&' || x == '~') {
      ++k;
      after_word = false;
      continue;
    }
    return false;
  }
  return true;
}

// After the ")" of a parameter list: a body, a prototype, or neither.
Head c_tail(const SourceText& src, Cursor k, size_t start, bool allow_knr) {
  bool first = true;
  for (int steps = 0; steps < 64; ++steps) {
    if (!k.skip_space()) return {};
    const char x = k.ch();
    if (first && k.crossed && allow_knr && is_ident_byte(x)) {
      // K&R parameter declarations: lines ending in ";" up to a "{" that
      // starts a line.
      const std::vector<std::string_view>& lines = *src.lines;
      for (size_t j = k.i; j <= k.last && j < k.i + 12; ++j) {
        const std::string_view t = trim(lines[j]);
        if (t.empty()) continue;
        if (t[0] == '{') return definition_brace(start, j, indent_of(lines[j]));
        if (t.back() != ';' || t.find('(') != std::string_view::npos ||
            t.find('=') != std::string_view::npos)
          break;
      }
    }
    first = false;
    if (x == '{') return definition_brace(start, k.i, k.c);
    if (x == ';') return declaration_end(start, k.i);
    if (x == ':') {
      if (k.at(1) == ':') return {};
      const Stop s = first_brace_or_semicolon(src, k.i, k.c + 1);
      return s.what == '{' ? definition_brace(start, s.line, s.col) : Head{};
    }
    if (x == '=') {
      k.advance();
      if (!k.skip_space()) return {};
      const std::string_view w = k.word();
      if (w == "0" || w == "default" || w == "delete") {
        const Stop s = first_brace_or_semicolon(src, k.i, k.c);
        return definition_end(start, s.line == kNoLine ? k.i : s.line);
      }
      return {};
    }
    if (x == '-' && k.at(1) == '>') {
      k.advance(2);
      continue;
    }
    if (x == '&' || x == '*') {
      k.advance();
      continue;
    }
    if (x == '<') {
      if (!k.skip_angles()) return {};
      continue;
    }
    if (x == '[' && k.at(1) == '[') {
      const size_t e = find_bytes(k.line(), "]]", k.c);
      if (e == std::string_view::npos) return {};
      k.c = e + 2;
      continue;
    }
    if (x == ':' || !is_ident_byte(x)) return {};
    const std::string_view w = k.word();
    if (w == "try") return definition_brace(start, k.i);  // ends after its handlers
    k.advance(w.size());
    if (k.skip_space() && k.ch() == '(' && !k.skip_group()) return {};
    if (k.ch() == ':' && k.at(1) == ':') k.advance(2);
  }
  return {};
}

// "} name;" closing a typedef whose "{" opened some lines above.
Head c_typedef_close(const SourceText& src, size_t i) {
  const std::vector<std::string_view>& lines = *src.lines;
  int64_t depth = 0;
  const size_t stop = i > 4000 ? i - 4000 : 0;
  for (size_t k = i + 1; k-- > stop;) {
    depth += brace_balance(lines[k]);
    if (depth < 0) continue;
    if (starts_word(trim(lines[k]), "typedef")) return definition_end(k, i);
    if (k > 0 && starts_word(trim(lines[k - 1]), "typedef") && trim(lines[k]).front() == '{')
      return definition_end(k - 1, i);
    return {};
  }
  return {};
}

// A word in capitals, digits and "_" with at least one capital and a "_":
// how export and visibility macros are spelled.
bool is_macro_name(std::string_view w) {
  bool upper = false, underscore = false;
  for (char c : w) {
    if (c >= 'A' && c <= 'Z')
      upper = true;
    else if (c == '_')
      underscore = true;
    else if (!(c >= '0' && c <= '9'))
      return false;
  }
  return upper && underscore;
}

bool is_attribute_word(std::string_view w) {
  return is_word(w, {"__attribute__", "__attribute", "__declspec", "alignas", "_Alignas"});
}

// `pre` without the attributes that end it: "struct __attribute__
// ((__packed__))" is "struct", as is "struct [[nodiscard]]".
std::string_view drop_attributes(std::string_view pre) {
  for (;;) {
    if (ends_with(pre, "]]")) {
      const size_t open = pre.rfind("[[");
      if (open == std::string_view::npos) return pre;
      pre = trim(pre.substr(0, open));
      continue;
    }
    if (pre.empty() || pre.back() != ')') return pre;
    int depth = 0;
    size_t k = pre.size();
    while (k-- > 0) {
      if (pre[k] == ')') ++depth;
      if (pre[k] == '(' && --depth == 0) break;
    }
    if (depth != 0) return pre;
    const std::string_view before = trim(pre.substr(0, k));
    if (!is_attribute_word(last_word(before))) return pre;
    pre = drop_last_word(before);
  }
}

// The name after a type keyword at (col, len) of `l`, past the attributes
// written between them: the struct in "struct __attribute__ ((packed)) h {".
bool past_attributes(std::string_view l, size_t* col, size_t* len) {
  while (is_attribute_word(l.substr(*col, *len))) {
    const size_t open = l.find('(', *col + *len);
    if (open == std::string_view::npos) return false;
    int depth = 0;
    size_t k = open;
    for (; k < l.size(); ++k) {
      if (l[k] == '(') ++depth;
      if (l[k] == ')' && --depth == 0) break;
    }
    if (k == l.size() || !word_at(l, k + 1, col, len)) return false;
  }
  return true;
}

}  // namespace

Head c_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = trim(line.substr(from, col - from));
  const std::string_view post = line.substr(col + len);
  const bool cpp = src.lang == SourceLang::Cpp;
  if (col > 0 && line[col - 1] == '~') return {};  // the destructor, not the class

  if (!pre.empty() && pre[0] == '#') {
    std::string_view d = trim(pre.substr(1));
    if (d == "define") {
      size_t e = i;
      while (e + 1 < src.lines->size() && !(*src.lines)[e].empty() &&
             (*src.lines)[e].back() == '\\')
        ++e;
      return definition_end(i, e);
    }
    return {};
  }
  std::string_view kw = last_word(drop_attributes(pre));
  // An export macro between the keyword and the name: class GTEST_API_ UnitTest.
  if (is_macro_name(kw)) kw = last_word(drop_last_word(drop_attributes(pre)));
  if (is_word(kw, {"struct", "union", "class", "enum", "namespace"})) {
    Cursor k = cursor_at(src, i, col + len);
    for (int steps = 0; steps < 8 && k.skip_space(); ++steps) {
      const char x = k.ch();
      if (x == '{') return definition_brace(i, k.i, k.c);
      if (x == ':' && k.at(1) != ':') return definition_to_stop(src, i, col + len);
      const std::string_view w = k.word();
      if (w == "final" || w == "__attribute__" || w == "alignas" || w == "__declspec") {
        k.advance(w.size());
        if (k.skip_space() && k.ch() == '(' && !k.skip_group()) return {};
        continue;
      }
      if (x == '[' && k.at(1) == '[') {
        const size_t e = find_bytes(k.line(), "]]", k.c);
        if (e == std::string_view::npos) return {};
        k.c = e + 2;
        continue;
      }
      if (x == '<' && cpp) {  // a specialisation
        if (!k.skip_angles()) return {};
        continue;
      }
      return {};
    }
    return {};
  }
  const std::string_view t = trim(line);
  if (starts_word(t, "typedef")) {
    const std::string_view p = trim(post);
    if (!p.empty() && (p[0] == ';' || p[0] == '[' || p[0] == ')' || p[0] == ',')) {
      const Stop s = first_brace_or_semicolon(src, i, col + len);
      return definition_end(i, s.what == ';' ? s.line : i);
    }
    return {};
  }
  if (kw == "using") {
    const std::string_view p = trim(post);
    if (!p.empty() && p[0] == '=') return definition_end(i, statement_end(src, i, col));
    return {};
  }
  if (!pre.empty() && pre[0] == '}') {
    const std::string_view p = trim(post);
    if (!p.empty() && (p[0] == ';' || p[0] == ',')) return c_typedef_close(src, i);
    return {};
  }

  Cursor k = cursor_at(src, i, col + len);
  if (!k.skip_space()) return {};
  if (cpp && k.ch() == '<' && !k.skip_angles()) return {};
  if (!k.skip_space()) return {};
  const bool file_level = scope == Scope::Top || scope == Scope::Container || indent_of(line) == 0;
  bool is_extern = false;
  if (k.ch() != '(') {
    // Enumerators, and variables at file level.
    if (scope == Scope::Enum && trim(pre.substr(pre.find_last_of(',') + 1)).empty()) {
      const char x = k.ch();
      if (x == ',' || x == '=' || x == '}' || k.i > i) return definition_end(i, i);
      return {};
    }
    if (scope != Scope::Top || pre.empty() || kw.empty() || !c_pre_ok(pre, &is_extern)) return {};
    const char x = k.ch();
    if (x != '=' && x != ';' && x != '[' && x != ',') return {};
    if (x == '=' && k.at(1) == '=') return {};
    const Stop s = first_brace_or_semicolon(src, i, col + len);
    const size_t end = statement_end(src, i, col + len);
    if (is_extern) return declaration_end(i, end);
    if (s.what == '{' && s.line <= end) return definition_brace(i, s.line, s.col);
    return definition_end(i, end);
  }
  if (!file_level) return {};
  if (!c_pre_ok(pre, &is_extern)) return {};
  if (!k.skip_group()) return {};
  Head h = c_tail(src, k, i, src.lang == SourceLang::C);
  if (h.kind == HeadKind::Declaration && pre.empty() && scope != Scope::Container) return {};
  if (h.kind == HeadKind::Definition && is_extern && pre == "extern") return {};
  return h;
}

bool c_outline(const SourceText& src, size_t i) {
  const std::string_view l = (*src.lines)[i];
  const std::string_view t = trim(l);
  const Scope scope = src.scopes[i].scope;
  if (t.empty() || t[0] == '/' || t[0] == '*') return false;
  if (t[0] == '#') {  // includes and macro definitions; other directives are not declarations
    const std::string_view d = trim(t.substr(1));
    return starts_word(d, "include") || starts_word(d, "define") || starts_word(d, "import");
  }
  if ((scope == Scope::Body || scope == Scope::Enum || scope == Scope::Group) && indent_of(l) != 0)
    return false;
  if (starts_word(t, "typedef") || starts_word(t, "using")) return true;
  size_t col, len;
  if (t[0] == '}') {
    const size_t b = l.find('}') + 1;
    size_t e = b;
    while (e < l.size() && is_space(l[e])) ++e;
    size_t w = e;
    while (w < l.size() && is_ident_byte(l[w])) ++w;
    return w > e && is_defined(name_head(src, i, e, w - e));
  }
  if (keyword_name(l, {"struct", "class", "union", "enum", "namespace"}, &col, &len) &&
      past_attributes(l, &col, &len) && is_defined(name_head(src, i, col, len)))
    return true;
  size_t p = find_code(l, "(=;[");
  if (p == std::string_view::npos) return false;
  const size_t op = find_bytes(l, "operator");
  if (op < p) {  // "operator=(" and the like; "operator()(" past its own "()"
    size_t from = op + 8;
    while (from < l.size() && is_space(l[from])) ++from;
    if (starts_with(l.substr(from), "()")) from += 2;
    p = find_code(l.substr(from), "(") + from;
  }
  if (p >= l.size()) return false;
  if (l[p] == '(') return name_before(l, p, &col, &len) && is_found(name_head(src, i, col, len));
  return scope == Scope::Top && name_before(l, p, &col, &len) &&
         is_found(name_head(src, i, col, len));
}

Scope c_opens(const BraceHead& h) {
  const uint32_t w = h.words;
  if (w & kNamespace) return Scope::Top;
  if ((w & kExtern) && h.string && !h.paren) return Scope::Top;  // extern "C" {
  if (h.paren || h.assign) return Scope::Body;
  if (w & kEnum) return Scope::Enum;
  if (w & (kClass | kStruct | kUnion)) return Scope::Container;
  return Scope::Body;
}

namespace {

// Where the line before the one starting at byte `from` (> 0) starts.
size_t line_before(std::string_view text, size_t from) {
  const size_t nl = from == 1 ? std::string_view::npos : text.rfind('\n', from - 2);
  return nl == std::string_view::npos ? 0 : nl + 1;
}

// The code that ends last above the line starting at byte `from`, trimmed:
// blank lines, `//` lines and block comments passed over; empty when there
// is none.
std::string_view code_above(std::string_view text, size_t from) {
  for (size_t pos = from; pos > 0;) {
    const size_t start = line_before(text, pos);
    std::string_view p = trim_ws(line_at(text, start));
    pos = start;
    if (p.empty() || starts_with(p, "//")) continue;
    if (p.size() < 3 || p.substr(p.size() - 2) != "*/") return p;
    // The comment may have begun lines above.
    const size_t close = static_cast<size_t>(p.data() - text.data()) + p.size() - 2;
    const size_t open = text.rfind("/*", close - 1);
    if (open == std::string_view::npos) return p;
    const size_t nl = text.rfind('\n', open);
    pos = nl == std::string_view::npos ? 0 : nl + 1;
    p = trim_ws(text.substr(pos, open - pos));
    if (!p.empty()) return p;
  }
  return {};
}

}  // namespace

// Occurrences in a C file that are plainly uses and need no scope scan to
// be rejected: a name right after "=", "(", "!", "." or "->", and a name
// indented at the start of its line and called, as a statement "  f(...);"
// or after code that ended a statement, opened a block or ended a label
// (a loop macro, its arguments or body on the lines below): a definition's
// name follows its return type. (C has no member functions, so such a line
// defines nothing wherever it stands.) `from` is where the line starts in
// `text`, `col` where the name starts in the line.
bool c_plain_use(std::string_view text, size_t from, size_t col, size_t len) {
  const std::string_view line = line_at(text, from);
  const std::string_view t = trim_ws(line);
  if (t.empty() || t[0] == '#' || starts_with(t, "typedef")) return false;
  const std::string_view pre = trim_ws(line.substr(0, col));
  if (pre.empty()) {
    if (col == 0) return false;
    const std::string_view post = trim_ws(line.substr(col + len));
    if (post.empty() || post[0] != '(') return false;
    if (t.back() == ';') return true;
    const std::string_view p = code_above(text, from);
    return !p.empty() && (p.back() == ';' || p.back() == '{' || p.back() == '}' || p.back() == ':');
  }
  const char last = pre.back();
  return last == '=' || last == '(' || last == '!' || last == '.' ||
         (last == '>' && pre.size() > 1 && pre[pre.size() - 2] == '-');
}

}  // namespace zub::code
