#include "code/outline_fold.h"

#include "code/head_scan.h"

namespace zub {

namespace {

using code::find_code;
using code::name_before;
using code::starts_word;
using code::trim;
using code::word_at;

// "import", "from x import", "#include", "use", "using", "require": a line
// that only brings names in from elsewhere.
std::string_view import_key(std::string_view t) {
  if (!t.empty() && t[0] == '#') {
    std::string_view d = trim(t.substr(1));
    if (starts_word(d, "include")) return "#include";
    if (starts_word(d, "import")) return "#import";
    return {};
  }
  if (starts_word(t, "import")) return "import";
  if (starts_word(t, "from") && t.find(" import") != std::string_view::npos) return "import";
  if (starts_word(t, "use")) return "use";
  if (starts_word(t, "using")) {
    // "using T = U;" names a type here: a declaration of its own.
    const size_t eq = find_code(t, "=");
    return eq == std::string_view::npos || starts_word(trim(t.substr(5)), "namespace")
               ? std::string_view("using")
               : std::string_view();
  }
  if (starts_word(t, "require") || starts_word(t, "require_relative") ||
      starts_word(t, "require_once") || starts_word(t, "include_once"))
    return "require";
  // "export * from 'x';" and "export { a } from 'x';" on one line.
  if (starts_word(t, "export") && t.find(" from ") != std::string_view::npos &&
      (t.back() == ';' || t.back() == '\'' || t.back() == '"'))
    return "export from";
  // "var x = require('y');", "local x = require 'y'", "import x = require('y')".
  for (std::string_view kw : {"var", "let", "const", "local"}) {
    if (!starts_word(t, kw)) continue;
    const size_t eq = find_code(t, "=");
    if (eq == std::string_view::npos) return {};
    const std::string_view value = trim(t.substr(eq + 1));
    if (starts_word(value, "require")) return "require";
    return {};
  }
  return {};
}

// The statement on line `t` ends on it: with ";", or, where semicolons are
// optional, without an opening bracket, operator or comma left hanging.
bool ends_on_line(std::string_view t, bool semicolon_needed) {
  if (t.empty()) return false;
  const char last = t.back();
  if (last == ';') return true;
  if (semicolon_needed) return false;
  int depth = 0;
  for (size_t k = 0; k < t.size(); ++k) {
    const char x = t[k];
    if (x == '"' || x == '\'' || x == '`') {
      for (++k; k < t.size() && t[k] != x; ++k)
        if (t[k] == '\\') ++k;
      if (k >= t.size()) return false;  // a string running over lines
      continue;
    }
    if (x == '(' || x == '[' || x == '{') ++depth;
    if (x == ')' || x == ']' || x == '}') --depth;
  }
  return depth == 0 && std::string_view("=+-*/%&|^<>?:,.").find(last) == std::string_view::npos;
}

// `t` without a "// ..." or "/* ... */" comment at its end (outside string
// literals), trimmed: "int fence;   // -1 until first use" ends with ";".
std::string_view without_trailing_comment(std::string_view t) {
  for (size_t k = 0; k + 1 < t.size(); ++k) {
    const char x = t[k];
    if (x == '"' || x == '\'' || x == '`') {
      for (++k; k < t.size() && t[k] != x; ++k)
        if (t[k] == '\\') ++k;
      continue;
    }
    if (x != '/' || k == 0) continue;
    if (t[k + 1] == '/') return trim(t.substr(0, k));
    if (t[k + 1] == '*' && t.size() >= 2 && t.substr(t.size() - 2) == "*/" &&
        t.find("*/", k + 2) == t.size() - 2)
      return trim(t.substr(0, k));
  }
  return t;
}

// A field of a class-like body: "[modifiers] Type name [= value];" on one
// line, with no parameter list before the value.
FoldKey field_key(std::string_view l, bool semicolon_needed) {
  const size_t p = find_code(l, "(=;{:");
  if (p == std::string_view::npos) return {};
  size_t stop = p;
  // TypeScript's "name: Type;" and "name?: Type = x;"
  if (l[p] == ':') {
    stop = p;
    if (stop > 0 && l[stop - 1] == '?') --stop;
    const size_t q = find_code(l.substr(p), "(={");
    if (q != std::string_view::npos && l[p + q] != '=') return {};
  } else if (l[p] == '(' || l[p] == '{') {
    return {};
  }
  size_t col, len;
  if (!name_before(l, stop, &col, &len)) return {};
  const std::string_view t = without_trailing_comment(trim(l));
  if (!ends_on_line(t, semicolon_needed)) return {};
  if (t.find("=>") != std::string_view::npos || t.find("->") != std::string_view::npos) return {};
  return {"fields", l.substr(col, len)};
}

// A file-level "var x = value;" whose value is no function or class.
FoldKey binding_key(std::string_view l) {
  std::string_view t = trim(l);
  if (starts_word(t, "export")) t = trim(t.substr(6));
  for (std::string_view kw : {"var", "let", "const"}) {
    if (!starts_word(t, kw)) continue;
    size_t col, len;
    const size_t at = static_cast<size_t>(t.data() - l.data()) + kw.size();
    if (!word_at(l, at, &col, &len)) return {};
    const size_t eq = find_code(t, "=");
    if (eq != std::string_view::npos) {
      const std::string_view value = t.substr(eq + 1);
      if (value.find("=>") != std::string_view::npos || starts_word(trim(value), "function") ||
          starts_word(trim(value), "async") || starts_word(trim(value), "class"))
        return {};
    }
    if (!ends_on_line(t, false)) return {};
    return {kw, l.substr(col, len)};
  }
  return {};
}

// "#define NAME ..." on one line.
FoldKey define_key(std::string_view t) {
  if (t.empty() || t[0] != '#') return {};
  std::string_view d = trim(t.substr(1));
  if (!starts_word(d, "define") || t.back() == '\\') return {};
  const std::string_view after = d.substr(6);
  size_t col, len;
  if (!word_at(after, 0, &col, &len)) return {};
  return {"#define", after.substr(col, len)};
}

}  // namespace

FoldKey outline_fold_key(const SourceText& src, size_t i) {
  const std::string_view l = (*src.lines)[i];
  const std::string_view t = trim(l);
  if (t.empty()) return {};
  const std::string_view import = import_key(t);
  if (!import.empty()) return {import, {}};
  if (src.scopes.size() <= i) return {};
  const Scope scope = src.scopes[i].scope;
  switch (src.lang) {
    case SourceLang::C:
    case SourceLang::Cpp: return define_key(t);
    case SourceLang::Java:
    case SourceLang::CSharp:
      if (scope == Scope::Container && t[0] != '@' && t[0] != '[') return field_key(l, true);
      return {};
    case SourceLang::Js:
    case SourceLang::Ts:
      if (scope == Scope::Top) return binding_key(l);
      if (scope == Scope::Container && t[0] != '@') return field_key(l, false);
      return {};
    default: return {};
  }
}

}  // namespace zub
