#include "code/declaration.h"

#include <string>

#include "base/text.h"
#include "code/head_scan.h"
#include "code/languages.h"

namespace zub {

SourceLang source_lang(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return SourceLang::Other;
  return code::language_of_extension(ascii_lower(name.substr(dot + 1)));
}

SourceText make_source_text(SourceLang lang, const std::vector<std::string_view>& lines,
                            bool with_blocks) {
  SourceText s;
  s.lang = lang;
  s.lines = &lines;
  s.scopes = scan_scopes(lang, lines, with_blocks ? &s.blocks : nullptr);
  return s;
}

namespace {

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

}  // namespace

Head name_head(const SourceText& src, size_t i, size_t col, size_t len) {
  if (src.scopes[i].dead) return {};
  if (in_line_comment(src.lang, (*src.lines)[i].substr(0, col))) return {};
  const code::Language* language = code::language_of(src.lang);
  if (!language) return {};
  // A "{" earlier on the line opens the scope the name is in.
  Scope scope = src.scopes[i].scope;
  size_t from = 0;
  if (src.lang != SourceLang::Python) {
    const std::string_view line = (*src.lines)[i];
    const size_t brace = code::find_code(line.substr(0, col), "{}");
    if (brace != std::string_view::npos && line[brace] == '{') {
      size_t last = brace;
      for (size_t k = code::find_code(line.substr(brace + 1, col - brace - 1), "{");
           k != std::string_view::npos;
           k = code::find_code(line.substr(last + 1, col - last - 1), "{"))
        last = last + 1 + k;
      if (line.substr(last, col - last).find('}') == std::string_view::npos) {
        scope = scope_opened_by(src.lang, line.substr(0, last));
        from = last + 1;
      }
    }
  }
  return language->head(src, i, col, len, scope, from);
}

bool is_outline_line(const SourceText& src, size_t i) {
  if (src.scopes[i].dead || (src.scopes[i].inner && src.lang != SourceLang::Python)) return false;
  const code::Language* language = code::language_of(src.lang);
  return language && language->outline(src, i);
}

}  // namespace zub
