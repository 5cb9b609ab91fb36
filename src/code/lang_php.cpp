// PHP: classes, interfaces, traits and enums; functions and methods
// (abstract and interface methods end at their ";"); constants, by const
// or define(); and for outline the namespace, use lines, attributes and
// properties.
#include "code/languages.h"

#include "code/head_scan.h"

namespace zub::code {

namespace {

bool php_modifier(std::string_view w) {
  return is_word(
      w, {"public", "private", "protected", "static", "abstract", "final", "readonly", "var"});
}

// The first word of `s` past modifiers and attributes, with its offset.
std::string_view first_keyword(std::string_view s, size_t* at) {
  size_t k = 0;
  for (int steps = 0; steps < 8; ++steps) {
    while (k < s.size() && is_space(s[k])) ++k;
    if (starts_with(s.substr(k), "#[")) {
      const size_t e = s.find(']', k);
      if (e == std::string_view::npos) return {};
      k = e + 1;
      continue;
    }
    size_t e = k;
    while (e < s.size() && is_ident_byte(s[e])) ++e;
    const std::string_view w = s.substr(k, e - k);
    if (!php_modifier(w)) {
      *at = k;
      return w;
    }
    k = e;
  }
  return {};
}

}  // namespace

Head php_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view raw = line.substr(from, col - from);
  const std::string_view pre = trim(raw);
  if (ends_with(pre, "define('") || ends_with(pre, "define(\"")) {
    if (col + len >= line.size() || (line[col + len] != '\'' && line[col + len] != '"')) return {};
    return definition_end(i, statement_end(src, i, col + len + 1));
  }
  size_t at = 0;
  const std::string_view kw = first_keyword(pre, &at);
  const std::string_view between = trim(pre.substr(at + kw.size()));
  if (kw == "function") {
    if (!between.empty() && between != "&") return {};
    Cursor k = cursor_at(src, i, col + len);
    if (!k.skip_space() || k.ch() != '(') return {};
    return definition_to_stop(src, i, col + len);
  }
  if (is_word(kw, {"class", "interface", "trait", "enum"})) {
    if (!between.empty()) return {};
    return src.extents ? type_to_body(src, i, col + len) : definition(i);
  }
  if (kw == "const" && scope != Scope::Body) {
    // "const NAME =" or, with a type, "const int NAME =".
    if (between.find_first_of("=(,$") != std::string_view::npos) return {};
    Cursor k = cursor_at(src, i, col + len);
    if (!k.skip_space() || k.ch() != '=') return {};
    return definition_end(i, statement_end(src, i, col));
  }
  return {};
}

bool php_outline(const SourceText& src, size_t i) {
  const std::string_view t = trim((*src.lines)[i]);
  const Scope scope = src.scopes[i].scope;
  if (t.empty() || scope == Scope::Body || scope == Scope::Enum) return false;
  if (starts_with(t, "#[")) return true;
  if (starts_word(t, "namespace") || starts_word(t, "use")) return true;
  if (scope == Scope::Top && (starts_word(t, "require_once") || starts_word(t, "require") ||
                              starts_word(t, "include_once") || starts_word(t, "include")))
    return true;
  size_t at = 0;
  const std::string_view kw = first_keyword(t, &at);
  if (is_word(kw, {"function", "class", "interface", "trait", "enum", "const"})) return true;
  if (starts_word(t, "define")) return scope == Scope::Top;
  // Properties: modifiers, perhaps a type, then $name.
  if (at > 0 && scope != Scope::Top) {
    const std::string_view rest = t.substr(at);
    const size_t dollar = rest.find('$');
    return dollar != std::string_view::npos &&
           rest.substr(0, dollar).find_first_of("=(;") == std::string_view::npos;
  }
  return false;
}

Scope php_opens(const BraceHead& h) {
  const uint32_t w = h.words;
  if (w & kFunc) return Scope::Body;
  if (w & kInterface) return Scope::Abstract;
  if (w & (kClass | kTrait | kEnum)) return Scope::Container;
  if (w & kNamespace) return Scope::Top;
  return Scope::Body;
}

}  // namespace zub::code
