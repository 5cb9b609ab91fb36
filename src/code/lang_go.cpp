// Go: functions and methods, types, constants and variables (also in
// grouped lists), interface methods.
#include "code/languages.h"

#include "code/head_scan.h"

namespace zub::code {

Head go_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = trim(line.substr(from, col - from));
  const size_t brace = find_code(line.substr(col), "{");
  if (pre == "func") return definition_to_stop(src, i, col + len);
  if (starts_with(pre, "func") && pre.size() > 4 && trim(pre.substr(4)).front() == '(' &&
      pre.back() == ')')
    return definition_to_stop(src, i, col + len);
  if (pre == "type" || ((pre == "const" || pre == "var") && scope == Scope::Top) ||
      (pre.empty() && scope == Scope::Group)) {
    const std::string_view post = trim(line.substr(col + len));
    if (pre.empty() && (post.empty() || post[0] == '(' || post[0] == '.' || post[0] == ')'))
      return {};
    if (brace != std::string_view::npos) return definition_brace(i, i, col + brace);
    return definition_end(i, statement_end(src, i, col));
  }
  if (pre.empty() && scope == Scope::Abstract) {
    const std::string_view post = line.substr(col + len);
    if (!post.empty() && post[0] == '(') return definition_end(i, i);
  }
  return {};
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

// A struct's fields are read by the heads as a body's lines; only an
// interface's method list is a level of its own.
Scope go_opens(const BraceHead& h) {
  return (h.words & kInterface) ? Scope::Abstract : Scope::Body;
}

}  // namespace zub::code
