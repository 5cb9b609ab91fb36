// Kotlin and Swift: classes, interfaces, objects, protocols, structs,
// enums and extensions; functions (with receivers and type parameters),
// properties at file and type level, type aliases and Swift's enum cases.
// Statements end at a line break, so a head without a body ends on the
// line where nothing continues it.
#include "code/languages.h"

#include <algorithm>

#include "code/head_scan.h"

namespace zub::code {

namespace {

bool is_modifier(std::string_view w) {
  return is_word(
      w, {"public",      "private",     "protected", "internal",    "open",     "final",
          "abstract",    "sealed",      "data",      "annotation",  "inner",    "override",
          "lateinit",    "const",       "suspend",   "inline",      "noinline", "crossinline",
          "tailrec",     "operator",    "infix",     "external",    "expect",   "actual",
          "value",       "companion",   "static",    "fileprivate", "mutating", "nonmutating",
          "convenience", "required",    "dynamic",   "lazy",        "weak",     "unowned",
          "indirect",    "nonisolated", "optional",  "isolated",    "package",  "distributed"});
}

enum class Kind : unsigned char { None, Type, Function, Property, Alias, Case };

Kind keyword_kind(std::string_view w) {
  if (is_word(w,
              {"class", "interface", "object", "struct", "enum", "protocol", "extension", "actor"}))
    return Kind::Type;
  if (w == "fun" || w == "func") return Kind::Function;
  if (w == "val" || w == "var" || w == "let") return Kind::Property;
  if (w == "typealias") return Kind::Alias;
  if (w == "case") return Kind::Case;
  return Kind::None;
}

// Past an annotation or attribute at `k` ("@Name", "@Name(...)"), or k.
size_t skip_annotation(std::string_view s, size_t k) {
  if (k >= s.size() || s[k] != '@') return k;
  ++k;
  while (k < s.size() && (is_ident_byte(s[k]) || s[k] == '.' || s[k] == ':')) ++k;
  if (k < s.size() && s[k] == '(') {
    int depth = 0;
    for (; k < s.size(); ++k) {
      if (s[k] == '(')
        ++depth;
      else if (s[k] == ')' && --depth == 0)
        return k + 1;
    }
  }
  return k;
}

// Nothing but modifiers (and attributes) and white space.
bool only_modifiers(std::string_view t) {
  size_t k = 0;
  while (k < t.size()) {
    if (is_space(t[k])) {
      ++k;
    } else if (t[k] == '@') {
      k = skip_annotation(t, k);
    } else {
      size_t e = k;
      while (e < t.size() && is_ident_byte(t[e])) ++e;
      if (e == k || !is_modifier(t.substr(k, e - k))) return false;
      k = e;
    }
  }
  return true;
}

// The declaration keyword that the words of `s` come to after annotations
// and modifiers, with the offset just past it ("enum class", "fun
// interface" and "class func" read as their last word).
Kind declaration_keyword(std::string_view s, size_t* after) {
  size_t k = 0;
  for (int steps = 0; steps < 16; ++steps) {
    while (k < s.size() && is_space(s[k])) ++k;
    if (k < s.size() && s[k] == '@') {
      k = skip_annotation(s, k);
      continue;
    }
    size_t e = k;
    while (e < s.size() && is_ident_byte(s[e])) ++e;
    const std::string_view w = s.substr(k, e - k);
    if (w.empty()) return Kind::None;
    size_t next = e;
    while (next < s.size() && is_space(s[next])) ++next;
    size_t ne = next;
    while (ne < s.size() && is_ident_byte(s[ne])) ++ne;
    const Kind following = keyword_kind(s.substr(next, ne - next));
    const bool leads = (w == "enum" || w == "fun" || w == "class") && following != Kind::None &&
                       following != Kind::Case;
    if (is_modifier(w) || leads) {
      k = e;
      // Swift's access level for a setter: private(set).
      if (k < s.size() && s[k] == '(') {
        const size_t close = s.find(')', k);
        if (close == std::string_view::npos) return Kind::None;
        k = close + 1;
      }
      continue;
    }
    *after = e;
    return keyword_kind(w);
  }
  return Kind::None;
}

// What stands between "fun" and the name: nothing, type parameters, or a
// receiver type ending in ".".
bool function_prefix_ok(std::string_view between) {
  between = trim(between);
  if (between.empty()) return true;
  if (between[0] == '<') {
    int depth = 0;
    size_t k = 0;
    for (; k < between.size(); ++k) {
      if (between[k] == '<')
        ++depth;
      else if (between[k] == '>' && --depth == 0)
        break;
    }
    if (k == between.size()) return false;
    between = trim(between.substr(k + 1));
    if (between.empty()) return true;
  }
  if (between.back() != '.') return false;
  for (const char c : between)
    if (c == '(' || c == '=' || c == '{' || c == ';' || c == '"') return false;
  return true;
}

// Where a head that starts at (i, c) ends: its body's "{", the end of the
// expression after "=", or the last line of a head that nothing continues.
Head head_to_body(const SourceText& src, size_t i, size_t c) {
  Cursor k = cursor_at(src, i, c);
  size_t last_line = i;
  char last = 0;
  for (int steps = 0; steps < 400; ++steps) {
    if (!k.skip_space()) return definition_end(i, last_line);
    const char x = k.ch();
    if (k.crossed) {
      const std::string_view w = k.word();
      const bool goes_on =
          (last != 0 && std::string_view(":,.=(<&|").find(last) != std::string_view::npos) ||
          std::string_view(":,.{=").find(x) != std::string_view::npos ||
          (x == '-' && k.at(1) == '>') ||
          is_word(w, {"where", "throws", "rethrows", "async", "by"});
      if (!goes_on) return definition_end(i, last_line);
    }
    if (x == '{') return definition_brace(i, k.i, k.c);
    if (x == ';') return definition_end(i, k.i);
    if (x == '=' && k.at(1) != '=' && k.at(1) != '>') {
      if (!src.extents) return definition_end(i, k.i);
      return definition_end(i, statement_end(src, k.i, k.c + 1));
    }
    if (x == '(' || x == '[') {
      if (!k.skip_group()) return definition(i);
      last = ')';
    } else if (x == '<') {
      if (!k.skip_angles_over_lines()) return definition(i);
      last = '>';
    } else if (x == '"') {
      k.skip_quoted();
      last = '"';
    } else if (x == '-' && k.at(1) == '>') {
      k.advance(2);
      last = ':';  // a return type follows: the head goes on
    } else {
      last = x;
      k.advance();
    }
    last_line = k.i;
  }
  return definition(i);
}

// A Kotlin property's accessors on the lines after its head.
size_t accessors_end(const SourceText& src, size_t end) {
  const std::vector<std::string_view>& lines = *src.lines;
  for (size_t j = end + 1; j < lines.size() && j <= end + 8; ++j) {
    std::string_view t = trim(lines[j]);
    if (t.empty()) continue;
    for (const std::string_view m : {"private ", "protected ", "internal ", "public "})
      if (starts_with(t, m)) t = trim(t.substr(m.size()));
    if (!(starts_word(t, "get") || starts_word(t, "set"))) break;
    const std::string_view l = lines[j];
    const size_t brace = find_code(l, "{=");
    end = brace != std::string_view::npos && l[brace] == '{' ? body_end(src, j, brace)
                                                             : statement_end(src, j, 0);
    if (end == kNoLine) return j;
  }
  return end;
}

}  // namespace

Head kotlin_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope,
                 size_t from) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = line.substr(from, col - from);
  size_t after = 0;
  const Kind kind = declaration_keyword(pre, &after);
  if (kind == Kind::None && src.lang == SourceLang::Kotlin && scope != Scope::Body) {
    // A property declared in a primary constructor: "class P(val x: Int"
    // or a parameter line of its own in such a list.
    const size_t open = pre.find_last_of("(,");
    const std::string_view before =
        open == std::string_view::npos ? std::string_view{} : pre.substr(0, open);
    const bool in_class_head =
        src.scopes[i].inner || before.find("class ") != std::string_view::npos;
    size_t a = 0;
    const std::string_view segment = open == std::string_view::npos ? pre : pre.substr(open + 1);
    if (in_class_head && declaration_keyword(segment, &a) == Kind::Property &&
        trim(segment.substr(a)).empty())
      return definition_end(i, i);
    return {};
  }
  if (kind == Kind::None && src.lang == SourceLang::Swift && scope == Scope::Container &&
      only_modifiers(pre) && is_word(line.substr(col, len), {"init", "deinit", "subscript"}))
    return head_to_body(src, i, col + len);  // Swift's initialisers, deinitialiser, subscripts
  if (kind == Kind::None) return {};
  const std::string_view between = pre.substr(after);
  switch (kind) {
    case Kind::Type:
      if (!trim(between).empty()) return {};
      return head_to_body(src, i, col + len);
    case Kind::Function: {
      if (!function_prefix_ok(between)) return {};
      Cursor k = cursor_at(src, i, col + len);
      if (!k.skip_space()) return {};
      if (k.ch() == '<' && !k.skip_angles_over_lines()) return {};
      if (!k.skip_space() || k.ch() != '(') return {};
      return head_to_body(src, i, col + len);
    }
    case Kind::Property: {
      if (scope == Scope::Body || scope == Scope::Enum) return {};
      // A property declared among a primary constructor's parameters.
      // (An unclosed "(" before it; "private(set) var" is closed.)
      if (src.scopes[i].inner ||
          std::count(pre.begin(), pre.end(), '(') > std::count(pre.begin(), pre.end(), ')'))
        return trim(between).empty() ? definition_end(i, i) : Head{};
      // Nothing or a receiver type ("val String.size") before the name.
      const std::string_view b = trim(between);
      if (!b.empty() && (b.back() != '.' || b.find_first_of(" =(") != std::string_view::npos))
        return {};
      const Head h = head_to_body(src, i, col + len);
      if (!src.extents || h.end == kNoLine || src.lang != SourceLang::Kotlin) return h;
      return definition_end(i, accessors_end(src, h.end));
    }
    case Kind::Alias:
      if (!trim(between).empty()) return {};
      return definition_end(i, statement_end(src, i, col));
    case Kind::Case:
      if (src.lang != SourceLang::Swift || scope != Scope::Container) return {};
      if (!trim(between).empty() && trim(between).back() != ',') return {};
      return definition_end(i, i);
    case Kind::None: break;
  }
  return {};
}

bool kotlin_outline(const SourceText& src, size_t i) {
  const std::string_view l = (*src.lines)[i];
  const std::string_view t = trim(l);
  const Scope scope = src.scopes[i].scope;
  if (t.empty() || scope == Scope::Enum) return false;
  if (scope == Scope::Top && (starts_word(t, "package") || starts_word(t, "import"))) return true;
  if (t[0] == '@' && scope != Scope::Body) return true;
  size_t after = 0;
  switch (declaration_keyword(t, &after)) {
    case Kind::Type:
    case Kind::Function: return true;
    case Kind::Property:
    case Kind::Alias: return scope != Scope::Body;
    case Kind::Case: return src.lang == SourceLang::Swift && scope == Scope::Container;
    case Kind::None: break;
  }
  // Constructors.
  size_t k = 0;
  while (k < t.size() && (t[k] == '@' || is_ident_byte(t[k]))) {
    if (t[k] == '@') {
      k = skip_annotation(t, k);
    } else {
      size_t e = k;
      while (e < t.size() && is_ident_byte(t[e])) ++e;
      const std::string_view w = t.substr(k, e - k);
      if (w == "constructor" || w == "init") return scope != Scope::Body;
      if (src.lang == SourceLang::Swift && (w == "deinit" || w == "subscript"))
        return scope == Scope::Container;
      if (!is_modifier(w)) return false;
      k = e;
    }
    while (k < t.size() && is_space(t[k])) ++k;
  }
  return false;
}

Scope kotlin_opens(const BraceHead& h) {
  const uint32_t w = h.words;
  // A function's body, even one of a local class or a "fun interface".
  if (w & kFunc) return (w & kInterface) ? Scope::Abstract : Scope::Body;
  if (w & (kInterface | kProtocol)) return Scope::Abstract;
  if (w & (kClass | kObject | kEnum | kStruct | kExtension | kActor)) return Scope::Container;
  return Scope::Body;
}

}  // namespace zub::code
