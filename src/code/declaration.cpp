#include "code/declaration.h"

#include <string>

#include "base/text.h"
#include "code/head_scan.h"
#include "code/languages.h"

namespace zub {

SourceLang source_lang(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::string lower = ascii_lower(name);
  const SourceLang named = code::language_of_name(lower);
  if (named != SourceLang::Other) return named;
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return SourceLang::Other;
  return code::language_of_extension(std::string_view(lower).substr(dot + 1));
}

std::string_view file_type_extensions(std::string_view type) {
  return code::extensions_of_type(type);
}

bool is_prose(SourceLang lang) { return code::has_trait(lang, code::kProse); }

SourceText make_source_text(SourceLang lang, const std::vector<std::string_view>& lines,
                            bool with_blocks) {
  SourceText s;
  s.lang = lang;
  s.lines = &lines;
  const code::Language* language = code::language_of(lang);
  s.scopes = language && language->scan
                 ? language->scan(lines)
                 : scan_scopes(lang, lines, with_blocks ? &s.blocks : nullptr);
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
    if (code::line_comment_at(lang, l, k)) return true;
  }
  return false;
}

}  // namespace

Head name_head(const SourceText& src, size_t i, size_t col, size_t len) {
  if (src.scopes[i].dead) return {};
  const code::Language* language = code::language_of(src.lang);
  if (!language) return {};
  if (language->traits & code::kDocument)
    return language->head(src, i, col, len, src.scopes[i].scope, 0);
  if (in_line_comment(src.lang, (*src.lines)[i].substr(0, col))) return {};
  // A "{" earlier on the line opens the scope the name is in.
  Scope scope = src.scopes[i].scope;
  size_t from = 0;
  if (!code::braceless(src.lang)) {
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
  Head h = language->head(src, i, col, len, scope, from);
  // A body found by its "{" ends where the scope scan closes it.
  if (src.extents && h.kind == HeadKind::Definition && h.end == kNoLine && h.brace != kNoLine &&
      h.brace_col != kNoLine)
    h.end = code::body_end(src, h.brace, h.brace_col);
  return h;
}

bool is_outline_line(const SourceText& src, size_t i) {
  if (src.scopes[i].dead || (src.scopes[i].inner && !code::braceless(src.lang))) return false;
  const code::Language* language = code::language_of(src.lang);
  return language && language->outline(src, i);
}

bool plainly_a_use(SourceLang lang, std::string_view text, size_t from, size_t col, size_t len) {
  const code::Language* language = code::language_of(lang);
  return language && language->plain_use && language->plain_use(text, from, col, len);
}

bool knows_plain_uses(SourceLang lang) {
  const code::Language* language = code::language_of(lang);
  return language && language->plain_use;
}

bool outline_label(const SourceText& src, size_t i, std::string& out) {
  const code::Language* language = code::language_of(src.lang);
  return language && language->label && language->label(src, i, out);
}

}  // namespace zub
