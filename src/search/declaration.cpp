#include "search/declaration.h"

#include <initializer_list>

#include "base/text.h"
#include "search/block_end.h"

namespace zub {

SourceText make_source_text(SourceLang lang, const std::vector<std::string_view>& lines) {
  SourceText s;
  s.lang = lang;
  s.lines = &lines;
  s.scopes = scan_scopes(lang, lines);
  return s;
}

namespace {

// How many lines a head (parameters, qualifiers, K&R declarations) may span.
constexpr size_t kHeadLines = 40;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

size_t indent_of(std::string_view l) {
  size_t k = 0;
  while (k < l.size() && is_space(l[k])) ++k;
  return k;
}

bool is_word(std::string_view w, std::initializer_list<std::string_view> set) {
  for (std::string_view s : set)
    if (w == s) return true;
  return false;
}

// `s` starts with the word `w` (not followed by an identifier byte).
bool starts_word(std::string_view s, std::string_view w) {
  return starts_with(s, w) && (s.size() == w.size() || !is_ident_byte(s[w.size()]));
}

// The identifier that ends `s` (empty when `s` does not end in one).
std::string_view last_word(std::string_view s) {
  size_t k = s.size();
  while (k > 0 && is_ident_byte(s[k - 1])) --k;
  return s.substr(k);
}

// `s` without the identifier that ends it and the white space before that.
std::string_view drop_last_word(std::string_view s) {
  return trim(s.substr(0, s.size() - last_word(s).size()));
}

// A position in a file's lines that moves over white space, line breaks
// and comments.
struct Cursor {
  const std::vector<std::string_view>* lines;
  SourceLang lang;
  size_t i, c, last;
  bool crossed = false;  // a line break was passed by the last skip_space

  // Past the last line every byte reads as "\0".
  std::string_view line() const { return i <= last ? (*lines)[i] : std::string_view{}; }
  char ch() const { return c < line().size() ? line()[c] : '\0'; }
  char at(size_t k) const { return c + k < line().size() ? line()[c + k] : '\0'; }
  std::string_view rest() const { return line().substr(c < line().size() ? c : line().size()); }

  bool next_line() {
    ++i;
    c = 0;
    crossed = true;
    if (i > last) return false;
    // Preprocessor lines between a head and its body are not part of it.
    const bool c_like =
        lang == SourceLang::C || lang == SourceLang::Cpp || lang == SourceLang::CSharp;
    if (c_like) {
      std::string_view l = line();
      size_t k = indent_of(l);
      if (k < l.size() && l[k] == '#') c = l.size();
    }
    return true;
  }

  // Moves to the next byte that is neither white space nor in a comment;
  // false when the lines run out.
  bool skip_space() {
    crossed = false;
    while (i <= last) {
      std::string_view l = line();
      while (c < l.size()) {
        const char x = l[c];
        if (is_space(x)) {
          ++c;
        } else if (x == '/' && c + 1 < l.size() && l[c + 1] == '/') {
          c = l.size();
        } else if (x == '#' && lang == SourceLang::Python) {
          c = l.size();
        } else if (x == '/' && c + 1 < l.size() && l[c + 1] == '*') {
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

  void advance(size_t k = 1) { c += k; }

  // Past a string or character literal that starts here (same line).
  void skip_quoted() {
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

  // At an opening bracket: past its matching closer, over lines, strings
  // and comments. False when it does not close within the lines.
  bool skip_group() {
    int depth = 0;
    while (skip_space()) {
      const char x = ch();
      if (x == '(' || x == '[' || x == '{') {
        ++depth;
        ++c;
      } else if (x == ')' || x == ']' || x == '}') {
        ++c;
        if (--depth <= 0) return true;
      } else if (x == '"' || (x == '\'' && lang != SourceLang::Rust) || x == '`') {
        skip_quoted();
      } else {
        ++c;
      }
      if (depth == 0) return true;
    }
    return false;
  }

  // At "<": past the matching ">" on this line (type arguments); false when
  // it is not closed there.
  bool skip_angles() {
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

  std::string_view word() const {
    const std::string_view r = rest();
    size_t k = 0;
    while (k < r.size() && is_ident_byte(r[k])) ++k;
    return r.substr(0, k);
  }
};

Cursor cursor_at(const SourceText& src, size_t i, size_t c) {
  const std::vector<std::string_view>& lines = *src.lines;
  size_t last = i + kHeadLines;
  if (last >= lines.size()) last = lines.size() - 1;
  return Cursor{&lines, src.lang, i, c, last};
}

// The line of the first "{" or ";" outside brackets from (i, c), with which
// of the two it was; kNoLine when neither comes within the head lines.
struct Stop {
  size_t line = kNoLine;
  char what = 0;
};

Stop first_brace_or_semicolon(const SourceText& src, size_t i, size_t c) {
  Cursor k = cursor_at(src, i, c);
  while (k.skip_space()) {
    const char x = k.ch();
    if (x == '{' || x == ';') return {k.i, x};
    if (x == '(' || x == '[') {
      if (!k.skip_group()) return {};
    } else if (x == '"' || x == '\'' || x == '`') {
      k.skip_quoted();
    } else {
      ++k.c;
    }
  }
  return {};
}

// Last line of a statement starting at (i, c): the line of the first ";"
// outside brackets, or for languages where a line break may end a statement,
// the first line that ends outside brackets and not on an operator.
size_t statement_end(const SourceText& src, size_t i, size_t c) {
  if (!src.extents) return i;
  const std::vector<std::string_view>& lines = *src.lines;
  const bool newline_ends = src.lang == SourceLang::Js || src.lang == SourceLang::Ts ||
                            src.lang == SourceLang::Go || src.lang == SourceLang::Python;
  int depth = 0;
  size_t limit = i + 400;
  if (limit >= lines.size()) limit = lines.size() - 1;
  for (size_t j = i; j <= limit; ++j) {
    const std::string_view l = lines[j];
    char last = 0;
    for (size_t k = j == i ? c : 0; k < l.size(); ++k) {
      const char x = l[k];
      if (x == '/' && k + 1 < l.size() && l[k + 1] == '/') break;
      if (x == '#' && src.lang == SourceLang::Python) break;
      if (is_space(x)) continue;
      last = x;
      if (x == '"' || (x == '\'' && src.lang != SourceLang::Rust) || x == '`') {
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

Head definition(size_t start) { return Head{HeadKind::Definition, start, kNoLine, kNoLine}; }
Head definition_brace(size_t start, size_t brace) {
  return Head{HeadKind::Definition, start, brace, kNoLine};
}
Head definition_end(size_t start, size_t end) {
  return Head{HeadKind::Definition, start, kNoLine, end};
}
Head declaration_end(size_t start, size_t end) {
  return Head{HeadKind::Declaration, start, kNoLine, end};
}

// Definition up to its body, or up to its ";" when it has none.
Head definition_to_stop(const SourceText& src, size_t i, size_t c) {
  const Stop s = first_brace_or_semicolon(src, i, c);
  if (s.what == ';') return definition_end(i, s.line);
  if (s.what == '{') return definition_brace(i, s.line);
  return definition(i);
}

// ---- C and C++ -------------------------------------------------------------

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
        if (t[0] == '{') return definition_brace(start, j);
        if (t.back() != ';' || t.find('(') != std::string_view::npos ||
            t.find('=') != std::string_view::npos)
          break;
      }
    }
    first = false;
    if (x == '{') return definition_brace(start, k.i);
    if (x == ';') return declaration_end(start, k.i);
    if (x == ':') {
      if (k.at(1) == ':') return {};
      const Stop s = first_brace_or_semicolon(src, k.i, k.c + 1);
      return s.what == '{' ? definition_brace(start, s.line) : Head{};
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
    if (w == "try") return definition_brace(start, k.i);
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
  const std::string_view kw = last_word(pre);
  if (is_word(kw, {"struct", "union", "class", "enum", "namespace"})) {
    Cursor k = cursor_at(src, i, col + len);
    for (int steps = 0; steps < 8 && k.skip_space(); ++steps) {
      const char x = k.ch();
      if (x == '{') return definition_brace(i, k.i);
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
    if (s.what == '{' && s.line <= end) return definition_brace(i, s.line);
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

// ---- Java and C# -----------------------------------------------------------

bool java_stop_word(std::string_view w) {
  return is_word(w, {"return",  "new",   "throw", "else",   "if",    "while",  "for",
                     "switch",  "case",  "do",    "assert", "await", "yield",  "import",
                     "package", "using", "var",   "goto",   "lock",  "typeof", "nameof"});
}

bool java_pre_ok(std::string_view pre, bool* abstract_like) {
  size_t k = 0;
  const size_t n = pre.size();
  while (k < n) {
    const char x = pre[k];
    if (is_space(x) || x == '?' || x == '.' || x == '*') {
      ++k;
      continue;
    }
    if (is_ident_byte(x)) {
      size_t e = k;
      while (e < n && is_ident_byte(pre[e])) ++e;
      const std::string_view w = pre.substr(k, e - k);
      if (java_stop_word(w)) return false;
      if (is_word(w, {"abstract", "native", "extern", "partial", "default"})) *abstract_like = true;
      k = e;
      continue;
    }
    if (x == '@' || x == '[' || x == '<' ||
        x == '(') {  // annotations, attributes, arrays, generics
      const char open = x == '@' ? '(' : x;
      const char close = open == '(' ? ')' : open == '[' ? ']' : '>';
      if (x == '@') {
        ++k;
        while (k < n && (is_ident_byte(pre[k]) || pre[k] == '.')) ++k;
        if (k >= n || pre[k] != '(') continue;
      } else if (x == '(') {
        return false;
      }
      int depth = 0;
      for (; k < n; ++k) {
        if (pre[k] == open)
          ++depth;
        else if (pre[k] == close && --depth == 0)
          break;
      }
      if (k == n) return false;
      ++k;
      continue;
    }
    if (x == ',' || x == '=' || x == ';' || x == ')' || x == '"' || x == '{' || x == '}')
      return false;
    ++k;
  }
  return !(n > 0 && pre[n - 1] == '.');
}

Head java_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = trim(line.substr(from, col - from));
  const std::string_view kw = last_word(pre);
  if (is_word(kw, {"class", "interface", "enum", "record", "struct", "namespace", "delegate"})) {
    if (kw == "delegate") return definition_to_stop(src, i, col + len);
    return definition(i);
  }
  if (scope != Scope::Container && scope != Scope::Abstract && scope != Scope::Top) return {};
  bool abstract_like = scope == Scope::Abstract;
  if (!java_pre_ok(pre, &abstract_like)) return {};
  Cursor k = cursor_at(src, i, col + len);
  if (!k.skip_space()) return {};
  if (k.ch() == '<' && !k.skip_angles()) return {};
  if (!k.skip_space()) return {};
  if (k.ch() != '(') {
    // Fields and properties need a type before the name.
    if (pre.empty() || (kw.empty() && pre.back() != '>' && pre.back() != ']' && pre.back() != '?'))
      return {};
    if (scope == Scope::Top) return {};
    const char x = k.ch();
    if (x == '{' && src.lang == SourceLang::CSharp) return definition_brace(i, k.i);
    if (x == '=' && k.at(1) == '>') return definition_end(i, statement_end(src, i, col));
    if (x != '=' && x != ';' && x != ',') return {};
    return definition_end(i, statement_end(src, i, col));
  }
  if (scope == Scope::Top) return {};
  if (pre.empty() && scope != Scope::Container) return {};
  if (!k.skip_group()) return {};
  for (int steps = 0; steps < 32; ++steps) {
    if (!k.skip_space()) return {};
    const char x = k.ch();
    if (x == '{') return definition_brace(i, k.i);
    if (x == ';') return abstract_like ? definition_end(i, k.i) : declaration_end(i, k.i);
    if (x == '=' && k.at(1) == '>') return definition_end(i, statement_end(src, i, col));
    if (x == ':' && src.lang == SourceLang::CSharp) return definition_to_stop(src, i, k.c);
    if (is_ident_byte(x) || x == ',' || x == '.' || x == '[' || x == ']' || x == '@') {
      const std::string_view w = k.word();
      k.advance(w.empty() ? 1 : w.size());
      if (w == "default") abstract_like = true;
      if (w == "default" || w == "where") return definition_to_stop(src, i, k.c);
      continue;
    }
    if (x == '<') {
      if (!k.skip_angles()) return {};
      continue;
    }
    return {};
  }
  return {};
}

// ---- JavaScript and TypeScript ---------------------------------------------

bool js_modifier(std::string_view w) {
  return is_word(w, {"async", "static", "get", "set", "public", "private", "protected", "readonly",
                     "abstract", "override", "declare", "export", "default", "accessor"});
}

// Only modifiers, decorators and "*" before the name.
bool js_modifiers_only(std::string_view pre, bool* abstract_like) {
  size_t k = 0;
  const size_t n = pre.size();
  while (k < n) {
    const char x = pre[k];
    if (is_space(x) || x == '*' || (x == '#' && k + 1 == n)) {
      ++k;
      continue;
    }
    if (x == '@') {
      ++k;
      while (k < n && (is_ident_byte(pre[k]) || pre[k] == '.')) ++k;
      if (k < n && pre[k] == '(') {
        int depth = 0;
        for (; k < n; ++k) {
          if (pre[k] == '(')
            ++depth;
          else if (pre[k] == ')' && --depth == 0)
            break;
        }
        if (k == n) return false;
        ++k;
      }
      continue;
    }
    if (!is_ident_byte(x)) return false;
    size_t e = k;
    while (e < n && is_ident_byte(pre[e])) ++e;
    const std::string_view w = pre.substr(k, e - k);
    if (!js_modifier(w)) return false;
    if (w == "abstract" || w == "declare") *abstract_like = true;
    k = e;
  }
  return true;
}

// A value that makes an assignment a function definition.
bool js_function_value(Cursor k) {
  if (!k.skip_space()) return false;
  const std::string_view w = k.word();
  if (w == "function" || w == "async" || w == "class") return true;
  const char x = k.ch();
  if (x == '<') return true;  // a generic arrow function
  if (x == '(') {             // arrow parameters, or an expression in parentheses
    if (!k.skip_group() || !k.skip_space()) return false;
    return (k.ch() == '=' && k.at(1) == '>') || k.ch() == ':';
  }
  if (!w.empty()) {
    k.advance(w.size());
    return k.skip_space() && k.ch() == '=' && k.at(1) == '>';
  }
  return false;
}

Head js_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = trim(line.substr(from, col - from));
  const bool members = scope == Scope::Container || scope == Scope::Abstract;
  std::string_view kw = last_word(pre);
  if (kw.empty() && !pre.empty() && pre.back() == '*')
    kw = last_word(trim(pre.substr(0, pre.size() - 1)));
  if (kw == "function") {
    const Stop s = first_brace_or_semicolon(src, i, col + len);
    if (s.what == '{') return definition_brace(i, s.line);
    if (s.what == ';') return declaration_end(i, s.line);
    return definition(i);
  }
  if (is_word(kw, {"class", "interface", "enum", "namespace", "module"})) {
    if (kw == "module" && pre != "module" && !ends_with(pre, "declare module")) return {};
    return definition(i);
  }
  Cursor k = cursor_at(src, i, col + len);
  if (is_word(kw, {"type", "const", "let", "var"})) {
    if (kw == "type" && !k.skip_space()) return {};
    if (scope == Scope::Top || scope == Scope::Container || kw == "type") {
      return definition_end(i, statement_end(src, i, col));
    }
    if (!k.skip_space() || k.ch() != '=') return {};
    k.advance();
    if (!js_function_value(k)) return {};
    return definition_end(i, statement_end(src, i, col));
  }
  bool abstract_like = scope == Scope::Abstract;
  const bool member_assign = !pre.empty() && pre.back() == '.' &&
                             pre.find('(') == std::string_view::npos &&
                             pre.find('=') == std::string_view::npos;
  if (!member_assign && !js_modifiers_only(pre, &abstract_like)) return {};
  if (!k.skip_space()) return {};
  if (k.ch() == '?' || k.ch() == '!') k.advance();
  if (!k.skip_space()) return {};
  if (k.ch() == '<' && !member_assign) {
    if (!k.skip_angles()) return {};
    if (!k.skip_space()) return {};
  }
  const char x = k.ch();
  if (x == '(' && !member_assign) {
    if (!k.skip_group()) return {};
    if (!k.skip_space()) return {};
    if (k.ch() == ':') {  // a return type
      for (int steps = 0; steps < 64; ++steps) {
        k.advance();
        if (!k.skip_space()) return {};
        const char y = k.ch();
        if (y == ';') break;
        if (y == '=' && k.at(1) == '>') break;
        if (y == '{') {
          // An object type right after ":" or "|"; otherwise the body.
          const std::string_view before = trim(k.line().substr(0, k.c));
          if (!before.empty() &&
              (before.back() == ':' || before.back() == '|' || before.back() == '<')) {
            if (!k.skip_group()) return {};
            k.c -= 1;
            continue;
          }
          break;
        }
        if (y == '<') {
          if (!k.skip_angles()) return {};
          k.c -= 1;
        } else if (y == '(') {
          if (!k.skip_group()) return {};
          k.c -= 1;
        }
      }
    }
    if (k.ch() == '{') return definition_brace(i, k.i);
    if (k.ch() == ';' && abstract_like) return definition_end(i, k.i);
    if (k.ch() == ';' && members && src.lang == SourceLang::Ts)
      return declaration_end(i, k.i);  // an overload
    return {};
  }
  // In JavaScript an object literal given a name is a class-like definition.
  const auto object_value = [&](Cursor v) {
    return src.lang == SourceLang::Js && v.skip_space() && v.ch() == '{';
  };
  if (x == '=' && k.at(1) != '=' && k.at(1) != '>') {
    k.advance();
    if (js_function_value(k) || object_value(k) || (members && !member_assign))
      return definition_end(i, statement_end(src, i, col));
    return {};
  }
  if (member_assign) return {};
  if (x == ':' && members) return definition_end(i, statement_end(src, i, col));
  if (x == ':') {
    k.advance();
    if (js_function_value(k) || object_value(k))
      return definition_end(i, statement_end(src, i, col));
    return {};
  }
  if ((x == ';' || x == ',') && members && k.i == i) return definition_end(i, i);
  return {};
}

// ---- Go ----------------------------------------------------------------------

Head go_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = trim(line.substr(from, col - from));
  const bool brace_on_line = line.find('{', col) != std::string_view::npos;
  if (pre == "func") return definition_to_stop(src, i, col + len);
  if (starts_with(pre, "func") && pre.size() > 4 && trim(pre.substr(4)).front() == '(' &&
      pre.back() == ')')
    return definition_to_stop(src, i, col + len);
  if (pre == "type" || ((pre == "const" || pre == "var") && scope == Scope::Top) ||
      (pre.empty() && scope == Scope::Group)) {
    const std::string_view post = trim(line.substr(col + len));
    if (pre.empty() && (post.empty() || post[0] == '(' || post[0] == '.' || post[0] == ')'))
      return {};
    if (brace_on_line) return definition_brace(i, i);
    return definition_end(i, statement_end(src, i, col));
  }
  if (pre.empty() && scope == Scope::Abstract) {
    const std::string_view post = line.substr(col + len);
    if (!post.empty() && post[0] == '(') return definition_end(i, i);
  }
  return {};
}

// ---- Python ------------------------------------------------------------------

Head python_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t from) {
  const std::vector<std::string_view>& lines = *src.lines;
  const std::string_view line = lines[i];
  const std::string_view pre = trim(line.substr(from, col - from));
  if (pre == "def" || pre == "class" || pre == "async def") return definition(i);
  if (!pre.empty()) return {};
  const std::string_view post = trim(line.substr(col + len));
  const bool assign = !post.empty() && ((post[0] == '=' && (post.size() == 1 || post[1] != '=')) ||
                                        (post[0] == ':' && (post.size() == 1 || post[1] != '=')));
  if (!assign) return {};
  const size_t d = indent_of(line);
  if (d > 0) {
    // A class attribute: the enclosing block is a class.
    bool in_class = false;
    for (size_t k = i; k-- > 0;) {
      const std::string_view t = trim(lines[k]);
      if (t.empty() || t[0] == '#' || src.scopes[k].dead) continue;
      if (indent_of(lines[k]) < d) {
        in_class = starts_word(t, "class");
        break;
      }
    }
    if (!in_class) return {};
  }
  return definition_end(i, statement_end(src, i, col));
}

// ---- Rust --------------------------------------------------------------------

// Visibility and qualifiers that may come before an item keyword.
bool rust_prefix_ok(std::string_view pre) {
  size_t k = 0;
  const size_t n = pre.size();
  while (k < n) {
    const char x = pre[k];
    if (is_space(x)) {
      ++k;
      continue;
    }
    if (x == '"') {
      const size_t e = pre.find('"', k + 1);
      if (e == std::string_view::npos) return false;
      k = e + 1;
      continue;
    }
    if (x == '(') {
      const size_t e = pre.find(')', k);
      if (e == std::string_view::npos) return false;
      k = e + 1;
      continue;
    }
    if (!is_ident_byte(x)) return false;
    size_t e = k;
    while (e < n && is_ident_byte(pre[e])) ++e;
    if (!is_word(pre.substr(k, e - k),
                 {"pub", "async", "unsafe", "extern", "const", "default", "crate"}))
      return false;
    k = e;
  }
  return true;
}

Head rust_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t from) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = trim(line.substr(from, col - from));
  if (ends_with(pre, "macro_rules!")) return definition(i);
  // The implementing type may come with its path: impl Trait for net::Addr.
  std::string_view path_free = pre;
  while (ends_with(path_free, "::"))
    path_free = drop_last_word(trim(path_free.substr(0, path_free.size() - 2)));
  const std::string_view kw = last_word(pre.size() == path_free.size() ? pre : path_free);
  const std::string_view before = drop_last_word(pre);
  if (is_word(kw, {"fn", "struct", "enum", "union", "trait", "type", "mod", "const", "static"}) &&
      rust_prefix_ok(before)) {
    if (kw == "type" || kw == "const" || kw == "static")
      return definition_end(i, statement_end(src, i, col));
    return definition_to_stop(src, i, col + len);
  }
  const std::string_view t = trim(line);
  if (starts_word(t, "impl") || starts_word(t, "unsafe impl") || starts_word(t, "default impl")) {
    const bool type_position = kw == "for" || kw == "impl" ||
                               (kw.empty() && !pre.empty() && pre.back() == '>' &&
                                pre.find("for") == std::string_view::npos);
    if (!type_position) return {};
    Cursor k = cursor_at(src, i, col + len);
    if (!k.skip_space()) return {};
    if (k.ch() == '<' && !k.skip_angles()) return {};
    if (k.skip_space() && starts_word(k.rest(), "for")) return {};
    return definition_to_stop(src, i, col + len);
  }
  return {};
}

// ---- outline -------------------------------------------------------------------

// Byte offset of the identifier that ends right before `end` (after white
// space), with its length; for C++ the whole "operator..." name.
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

// Offset of the first of `chars` outside strings, before any "//" comment.
size_t find_code(std::string_view l, std::string_view chars) {
  for (size_t k = 0; k < l.size(); ++k) {
    const char x = l[k];
    if (x == '"' || x == '\'' || x == '`') {
      for (++k; k < l.size() && l[k] != x; ++k)
        if (l[k] == '\\') ++k;
      continue;
    }
    if (x == '/' && k + 1 < l.size() && (l[k + 1] == '/' || l[k + 1] == '*'))
      return std::string_view::npos;
    for (const char want : chars)
      if (x == want) return k;
  }
  return std::string_view::npos;
}

// The first word of `l` from `set`, with the identifier after it.
bool keyword_name(std::string_view l, std::initializer_list<std::string_view> set, size_t* col,
                  size_t* len) {
  const size_t stop = find_code(l, "(=;");
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

// True when a line comment has started before the end of `l`.
bool in_line_comment(SourceLang lang, std::string_view l) {
  for (size_t k = 0; k < l.size(); ++k) {
    const char x = l[k];
    if (x == '"' || (x == '\'' && lang != SourceLang::Rust) || x == '`') {
      for (++k; k < l.size() && l[k] != x; ++k)
        if (l[k] == '\\') ++k;
      continue;
    }
    if (x == '/' && k + 1 < l.size() && l[k + 1] == '/') return true;
    if (x == '#' && lang == SourceLang::Python) return true;
  }
  return false;
}

bool is_found(Head h) { return h.kind != HeadKind::None; }
bool is_defined(Head h) { return h.kind == HeadKind::Definition; }

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
      is_defined(name_head(src, i, col, len)))
    return true;
  size_t p = find_code(l, "(=;[");
  if (p == std::string_view::npos) return false;
  const size_t op = find_bytes(l, "operator");
  if (op < p) p = find_code(l.substr(op), "(") + op;  // "operator=(" and the like
  if (p >= l.size()) return false;
  if (l[p] == '(') return name_before(l, p, &col, &len) && is_found(name_head(src, i, col, len));
  return scope == Scope::Top && name_before(l, p, &col, &len) &&
         is_found(name_head(src, i, col, len));
}

bool java_outline(const SourceText& src, size_t i) {
  const std::string_view l = (*src.lines)[i];
  const std::string_view t = trim(l);
  const Scope scope = src.scopes[i].scope;
  if (t.empty() || scope == Scope::Body || scope == Scope::Enum || scope == Scope::Group)
    return false;
  if (t[0] == '@' && !starts_word(t, "@interface")) return true;
  if (t[0] == '[' && src.lang == SourceLang::CSharp) return true;
  if (starts_word(t, "package") || starts_word(t, "import") || starts_word(t, "using")) return true;
  size_t col, len;
  if (keyword_name(l, {"class", "interface", "enum", "record", "struct", "namespace"}, &col, &len))
    return is_defined(name_head(src, i, col, len));
  const size_t p = find_code(l, "(=;{");
  if (p == std::string_view::npos) return false;
  return name_before(l, p, &col, &len) && is_found(name_head(src, i, col, len));
}

// The identifier starting at `k` (after white space), as a column and length.
bool word_at(std::string_view l, size_t k, size_t* col, size_t* len) {
  while (k < l.size() && is_space(l[k])) ++k;
  size_t w = k;
  while (w < l.size() && is_ident_byte(l[w])) ++w;
  *col = k;
  *len = w - k;
  return w > k;
}

bool js_outline(const SourceText& src, size_t i) {
  const std::string_view l = (*src.lines)[i];
  const std::string_view t = trim(l);
  const Scope scope = src.scopes[i].scope;
  if (t.empty()) return false;
  if (t[0] == '@') return scope != Scope::Body;
  // In bodies only function and class declarations: local variables are
  // statements, whatever they hold.
  if (scope == Scope::Body &&
      !(starts_word(t, "function") || starts_word(t, "async") || starts_word(t, "class")))
    return false;
  if (scope == Scope::Top && (starts_word(t, "import") || starts_word(t, "export"))) return true;
  // Past the modifiers to the first word that is not one; a modifier word
  // followed by "(" is itself the name (a method called get).
  size_t k = indent_of(l);
  for (;;) {
    size_t e = k;
    while (e < l.size() && is_ident_byte(l[e])) ++e;
    if (e == k || !js_modifier(l.substr(k, e - k))) break;
    size_t next = e;
    while (next < l.size() && is_space(l[next])) ++next;
    if (next >= l.size() || !(is_ident_byte(l[next]) || l[next] == '#' || l[next] == '*')) break;
    k = next;
  }
  const std::string_view r = l.substr(k);
  size_t col, len;
  if (starts_word(r, "function")) {
    size_t b = k + 8;
    while (b < l.size() && (is_space(l[b]) || l[b] == '*')) ++b;
    return word_at(l, b, &col, &len) && is_found(name_head(src, i, col, len));
  }
  for (std::string_view kw : {"class", "interface", "enum", "namespace", "type", "module"}) {
    if (starts_word(r, kw) && word_at(l, k + kw.size(), &col, &len))
      return is_defined(name_head(src, i, col, len));
  }
  if (starts_word(r, "const") || starts_word(r, "let") || starts_word(r, "var")) {
    const size_t b = k + (r[0] == 'c' ? 5 : 3);
    return scope == Scope::Top && word_at(l, b, &col, &len);  // not destructuring
  }
  // "X.y = class Z" and "X.prototype.y = function": classes and methods
  // defined by assigning them to members.
  const size_t eq = find_code(l, "=(");
  if (scope == Scope::Top && eq != std::string_view::npos && l[eq] == '=' && eq > k &&
      name_before(l, eq, &col, &len) && col > 0 && l[col - 1] == '.')
    return is_defined(name_head(src, i, col, len));
  // Methods and properties of classes; object literal members are values.
  if (scope != Scope::Container && scope != Scope::Abstract) return false;
  if (!r.empty() && (r[0] == '#' || r[0] == '*')) ++k;
  return word_at(l, k, &col, &len) && is_defined(name_head(src, i, col, len));
}

bool go_outline(const SourceText& src, size_t i) {
  const std::string_view l = (*src.lines)[i];
  const std::string_view t = trim(l);
  const Scope scope = src.scopes[i].scope;
  if (t.empty()) return false;
  if (scope == Scope::Top)
    return starts_word(t, "func") || starts_word(t, "type") || starts_word(t, "package") ||
           starts_word(t, "import") || starts_word(t, "const") || starts_word(t, "var");
  if (scope == Scope::Abstract) {
    const size_t k = indent_of(l);
    size_t w = k;
    while (w < l.size() && is_ident_byte(l[w])) ++w;
    return w > k && is_defined(name_head(src, i, k, w - k));
  }
  return false;
}

bool python_outline(const SourceText& src, size_t i) {
  const std::string_view t = trim((*src.lines)[i]);
  if (t.empty() || src.scopes[i].dead) return false;
  return starts_word(t, "def") || starts_word(t, "class") || starts_word(t, "async def") ||
         t[0] == '@' || starts_word(t, "import") || starts_word(t, "from");
}

bool rust_outline(const SourceText& src, size_t i) {
  const std::string_view t = trim((*src.lines)[i]);
  const Scope scope = src.scopes[i].scope;
  if (t.empty() || scope == Scope::Body || scope == Scope::Enum || scope == Scope::Group)
    return false;
  if (starts_with(t, "#[") || starts_with(t, "#![")) return true;
  std::string_view r = t;
  for (int steps = 0; steps < 8; ++steps) {
    if (starts_with(r, "macro_rules!")) return true;
    size_t e = 0;
    while (e < r.size() && is_ident_byte(r[e])) ++e;
    const std::string_view w = r.substr(0, e);
    if (is_word(w,
                {"fn", "struct", "enum", "union", "trait", "type", "mod", "static", "impl", "use"}))
      return true;
    std::string_view rest = trim(r.substr(e));
    if (w == "const") {
      if (!(starts_word(rest, "fn") || starts_word(rest, "unsafe") || starts_word(rest, "async") ||
            starts_word(rest, "extern")))
        return true;
    } else if (w == "extern") {
      if (starts_word(rest, "crate")) return true;
      if (starts_with(rest, "\"")) {
        const size_t q = rest.find('"', 1);
        rest = q == std::string_view::npos ? std::string_view{} : trim(rest.substr(q + 1));
      }
    } else if (is_word(w, {"pub", "async", "unsafe", "default"})) {
      if (starts_with(rest, "(")) {
        const size_t q = rest.find(')');
        rest = q == std::string_view::npos ? std::string_view{} : trim(rest.substr(q + 1));
      }
    } else {
      return false;
    }
    r = rest;
  }
  return false;
}

}  // namespace

Head name_head(const SourceText& src, size_t i, size_t col, size_t len) {
  if (src.scopes[i].dead) return {};
  if (in_line_comment(src.lang, (*src.lines)[i].substr(0, col))) return {};
  // A "{" earlier on the line opens the scope the name is in.
  Scope scope = src.scopes[i].scope;
  size_t from = 0;
  if (src.lang != SourceLang::Python) {
    const std::string_view line = (*src.lines)[i];
    const size_t brace = find_code(line.substr(0, col), "{}");
    if (brace != std::string_view::npos && line[brace] == '{') {
      size_t last = brace;
      for (size_t k = find_code(line.substr(brace + 1, col - brace - 1), "{");
           k != std::string_view::npos; k = find_code(line.substr(last + 1, col - last - 1), "{"))
        last = last + 1 + k;
      if (line.substr(last, col - last).find('}') == std::string_view::npos) {
        scope = scope_opened_by(src.lang, line.substr(0, last));
        from = last + 1;
      }
    }
  }
  switch (src.lang) {
    case SourceLang::C:
    case SourceLang::Cpp: return c_head(src, i, col, len, scope, from);
    case SourceLang::Java:
    case SourceLang::CSharp: return java_head(src, i, col, len, scope, from);
    case SourceLang::Js:
    case SourceLang::Ts: return js_head(src, i, col, len, scope, from);
    case SourceLang::Go: return go_head(src, i, col, len, scope, from);
    case SourceLang::Python: return python_head(src, i, col, len, scope, from);
    case SourceLang::Rust: return rust_head(src, i, col, len, scope, from);
    default: return {};
  }
}

bool is_outline_line(const SourceText& src, size_t i) {
  if (src.scopes[i].dead || (src.scopes[i].inner && src.lang != SourceLang::Python)) return false;
  switch (src.lang) {
    case SourceLang::C:
    case SourceLang::Cpp: return c_outline(src, i);
    case SourceLang::Java:
    case SourceLang::CSharp: return java_outline(src, i);
    case SourceLang::Js:
    case SourceLang::Ts: return js_outline(src, i);
    case SourceLang::Go: return go_outline(src, i);
    case SourceLang::Python: return python_outline(src, i);
    case SourceLang::Rust: return rust_outline(src, i);
    default: return false;
  }
}

}  // namespace zub
