// Java and C#: types, methods and constructors with their annotations or
// attributes, fields and properties, abstract and interface members.
#include "code/languages.h"

#include "code/head_scan.h"

namespace zub::code {

namespace {

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

}  // namespace

Head java_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = trim(line.substr(from, col - from));
  const std::string_view kw = last_word(pre);
  // C#'s delegate types: "delegate RETURN-TYPE Name<T>(...);".
  if (src.lang == SourceLang::CSharp && kw != "delegate" &&
      (starts_word(pre, "delegate") || pre.find(" delegate ") != std::string_view::npos) &&
      pre.find_first_of("(=;{") == std::string_view::npos)
    return definition_to_stop(src, i, col + len);
  if (is_word(kw, {"class", "interface", "enum", "record", "struct", "namespace", "delegate"})) {
    if (kw == "delegate") return definition_to_stop(src, i, col + len);
    return src.extents ? type_to_body(src, i, col + len) : definition(i);
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
    if (x == '{' && src.lang == SourceLang::CSharp) return definition_brace(i, k.i, k.c);
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
    if (x == '{') return definition_brace(i, k.i, k.c);
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
  // The first of "(=;{" outside strings; the keyword search stops at the
  // first of "(=;", found from it without reading the line twice.
  size_t p = find_code(l, "(=;{");
  size_t stop = p;
  if (p != std::string_view::npos && l[p] == '{') {
    const size_t q = find_code(l.substr(p + 1), "(=;");
    stop = q == std::string_view::npos ? q : p + 1 + q;
  }
  if (keyword_name_before(l, stop, {"class", "interface", "enum", "record", "struct", "namespace"},
                          &col, &len))
    return is_defined(name_head(src, i, col, len));
  if (p == std::string_view::npos) {
    // A C# property whose accessors or "=>" start the next line.
    if (src.lang != SourceLang::CSharp || i + 1 >= src.lines->size()) return false;
    const std::string_view next = trim((*src.lines)[i + 1]);
    if (!(starts_with(next, "{") || starts_with(next, "=>"))) return false;
    p = l.size();
    while (p > 0 && is_space(l[p - 1])) --p;
  }
  // A generic method: the name stands before its type parameters.
  size_t e = p;
  while (e > 0 && is_space(l[e - 1])) --e;
  if (e > 0 && l[e - 1] == '>' && l[p] == '(') {
    int depth = 0;
    for (size_t k = e; k-- > 0;) {
      if (l[k] == '>') ++depth;
      if (l[k] == '<' && --depth == 0) {
        e = k;
        break;
      }
    }
    if (depth != 0) return false;
    p = e;
  }
  return name_before(l, p, &col, &len) && is_found(name_head(src, i, col, len));
}

Scope java_opens(const BraceHead& h) {
  const uint32_t w = h.words;
  if (w & kInterface) return Scope::Abstract;
  if (w & kNamespace) return Scope::Top;
  // An anonymous class ("new Runnable() {") holds members like a class.
  if (w & (kClass | kEnum | kRecord | kStruct | kNew)) return Scope::Container;
  return Scope::Body;
}

}  // namespace zub::code
