// Python: def and class, module-level and class-level assignments,
// decorators and imports.
#include "code/languages.h"

#include "code/head_scan.h"

namespace zub::code {

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

bool python_outline(const SourceText& src, size_t i) {
  const std::string_view t = trim((*src.lines)[i]);
  if (t.empty() || src.scopes[i].dead) return false;
  return starts_word(t, "def") || starts_word(t, "class") || starts_word(t, "async def") ||
         t[0] == '@' || starts_word(t, "import") || starts_word(t, "from");
}

}  // namespace zub::code
