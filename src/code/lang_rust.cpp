// Rust: items (fn, struct, enum, union, trait, type, mod, const, static),
// impl blocks by their type, macro_rules!, attributes and use lines.
#include "code/languages.h"

#include "code/head_scan.h"

namespace zub::code {

namespace {

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

}  // namespace

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

Scope rust_opens(const BraceHead& h) {
  const uint32_t w = h.words;
  if (w & kFn) return Scope::Body;
  if (w & kTrait) return Scope::Abstract;
  if (w & kImpl) return Scope::Container;
  if (w & kMod) return Scope::Top;
  if ((w & kExtern) && !h.assign) return Scope::Abstract;  // extern "C" { fn f(); }
  return Scope::Body;
}

}  // namespace zub::code
