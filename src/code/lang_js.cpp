// JavaScript and TypeScript: function declarations, classes and their
// members, functions and classes bound to names or assigned to members,
// TypeScript types, interfaces, namespaces and overload signatures.
#include "code/languages.h"

#include "code/head_scan.h"

namespace zub::code {

namespace {

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

// Byte `at` of `l` is inside a quoted string.
bool inside_string(std::string_view l, size_t at) {
  char quote = 0;
  for (size_t k = 0; k < at && k < l.size(); ++k) {
    if (quote == 0) {
      if (l[k] == '"' || l[k] == '\'' || l[k] == '`') quote = l[k];
    } else if (l[k] == '\\') {
      ++k;
    } else if (l[k] == quote) {
      quote = 0;
    }
  }
  return quote != 0;
}

// True when line `i` gives a function to a name or member: the "=" right
// before a "function" keyword (past "async" and "("), or a first "=" whose
// value is an arrow function on the line. The name must be one js_head
// takes, or follow a "," of a declaration list ("var a = 1, f = function").
bool assigns_function_value(const SourceText& src, size_t i) {
  const std::string_view l = (*src.lines)[i];
  size_t eq = std::string_view::npos;
  const size_t f = find_bytes(l, "function");
  if (f != std::string_view::npos && (f == 0 || !is_ident_byte(l[f - 1])) &&
      (f + 8 >= l.size() || !is_ident_byte(l[f + 8])) && !inside_string(l, f)) {
    std::string_view before = trim(l.substr(0, f));
    while (!before.empty() && before.back() == '(')
      before = trim(before.substr(0, before.size() - 1));
    if (ends_with(before, "async")) before = trim(before.substr(0, before.size() - 5));
    if (!before.empty() && before.back() == '=')
      eq = static_cast<size_t>(before.data() - l.data()) + before.size() - 1;
  } else {
    const size_t arrow = find_bytes(l, "=>");
    const size_t first = find_code(l, "=");
    if (arrow == std::string_view::npos || first == std::string_view::npos || first >= arrow)
      return false;
    std::string_view value = trim(l.substr(first + 1, arrow - first - 1));
    if (starts_word(value, "async")) value = trim(value.substr(5));
    const bool params = (!value.empty() && value[0] == '(' && value.back() == ')') ||
                        (!value.empty() && last_word(value).size() == value.size());
    if (!params) return false;
    eq = first;
  }
  if (eq == std::string_view::npos || eq == 0) return false;
  const char p = l[eq - 1];
  if (p == '=' || p == '!' || p == '<' || p == '>' || (eq + 1 < l.size() && l[eq + 1] == '='))
    return false;
  size_t col, len;
  if (!name_before(l, eq, &col, &len)) return false;
  const std::string_view pre = trim(l.substr(0, col));
  return (!pre.empty() && pre.back() == ',') || is_defined(name_head(src, i, col, len));
}

}  // namespace

Head js_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = trim(line.substr(from, col - from));
  const bool members = scope == Scope::Container || scope == Scope::Abstract;
  std::string_view kw = last_word(pre);
  if (kw.empty() && !pre.empty() && pre.back() == '*')
    kw = last_word(trim(pre.substr(0, pre.size() - 1)));
  if (kw == "function") {
    const Stop s = first_brace_or_semicolon(src, i, col + len);
    if (s.what == '{') return definition_brace(i, s.line, s.col);
    if (s.what == ';') return declaration_end(i, s.line);
    return definition(i);
  }
  if (is_word(kw, {"class", "interface", "enum", "namespace", "module"})) {
    if (kw == "module" && pre != "module" && !ends_with(pre, "declare module")) return {};
    return src.extents ? type_to_body(src, i, col + len) : definition(i);
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
    if (!k.skip_angles_over_lines()) return {};
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
          if (!k.skip_angles_over_lines()) return {};
          k.c -= 1;
        } else if (y == '(') {
          if (!k.skip_group()) return {};
          k.c -= 1;
        }
      }
    }
    if (k.ch() == '{') return definition_brace(i, k.i, k.c);
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
    // In a body a bare name given an object is a local ("result = {}" at
    // the end of a "var" list); a member given one is not.
    const bool local = scope == Scope::Body && !member_assign;
    if (js_function_value(k) || (object_value(k) && !local) || (members && !member_assign))
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
  // A field without a value ("x;"); not "R," in type parameters over lines.
  if (x == ';' && members && k.i == i) return definition_end(i, i);
  return {};
}

bool js_outline(const SourceText& src, size_t i) {
  const std::string_view l = (*src.lines)[i];
  const std::string_view t = trim(l);
  const Scope scope = src.scopes[i].scope;
  if (t.empty()) return false;
  if (t[0] == '@') return scope != Scope::Body;
  size_t col, len;
  // Named function expressions, wherever they stand (passed to a call,
  // returned), and functions that are an object literal's members.
  for (size_t f = find_bytes(l, "function"); f != std::string_view::npos;
       f = find_bytes(l, "function", f + 8)) {
    if (f == indent_of(l) || (f > 0 && (is_ident_byte(l[f - 1]) || l[f - 1] == '.'))) continue;
    if (inside_string(l, f)) continue;
    size_t b = f + 8;
    if (b < l.size() && is_ident_byte(l[b])) continue;
    while (b < l.size() && (is_space(l[b]) || l[b] == '*')) ++b;
    if (b > f + 8 && word_at(l, b, &col, &len)) return is_found(name_head(src, i, col, len));
    // "name: function (" or "name: async function (".
    std::string_view before = trim(l.substr(0, f));
    if (ends_with(before, "async")) before = trim(before.substr(0, before.size() - 5));
    if (!ends_with(before, ":") || scope == Scope::Container || scope == Scope::Abstract) continue;
    const std::string_view key = trim(before.substr(0, before.size() - 1));
    const size_t kc = static_cast<size_t>(key.data() - l.data());
    return !key.empty() && key.find_first_of(" ?(") == std::string_view::npos &&
           word_at(l, kc, &col, &len) && col + len == kc + key.size() &&
           is_found(name_head(src, i, col, len));
  }
  // In bodies, besides function and class declarations, the functions
  // given to a name or a member ("tick = function", "jQuery.fn.delay =
  // function", "const f = (a) =>"): a module built inside a wrapper (an
  // AMD define, an IIFE) defines everything so. Other local variables are
  // statements, whatever they hold.
  if (scope == Scope::Body && assigns_function_value(src, i)) return true;
  // Types declared in a body are types all the same (a test callback's
  // "type Errors = {...}", "interface Item", "enum Fruits").
  if (scope == Scope::Body &&
      !(starts_word(t, "function") || starts_word(t, "async") || starts_word(t, "class") ||
        starts_word(t, "type") || starts_word(t, "interface") || starts_word(t, "enum") ||
        starts_word(t, "abstract")))
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

Scope js_opens(const BraceHead& h) {
  const uint32_t w = h.words;
  if (w & kInterface) return Scope::Abstract;
  if (w & kClass) return Scope::Container;
  if ((w & (kNamespace | kModule)) && !h.assign && !h.paren) return Scope::Top;
  if (w & kEnum) return Scope::Enum;
  return Scope::Body;
}

}  // namespace zub::code
