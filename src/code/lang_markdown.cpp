// Markdown: ATX headings ("## Title") and setext headings (a paragraph
// underlined with "===" or "---"), outside fenced code, HTML comments and
// front matter. These are the file's only definitions: a heading's section
// runs to the next heading of the same or a higher level.
#include "base/unicode.h"
#include "code/doc_lines.h"
#include "code/languages.h"

namespace zub::code {

namespace {

// Columns of leading white space, a tab counting as four.
size_t columns(std::string_view l) {
  size_t c = 0;
  for (char x : l) {
    if (x == ' ')
      ++c;
    else if (x == '\t')
      c += 4;
    else
      break;
  }
  return c;
}

// The level of an ATX heading line (1 to 6), 0 for any other line; `text`
// gets where the title starts.
int atx_level(std::string_view l, size_t* text = nullptr) {
  if (columns(l) > 3) return 0;
  const size_t k = indent_of(l);
  size_t e = k;
  while (e < l.size() && l[e] == '#') ++e;
  if (e == k || e - k > 6 || (e < l.size() && l[e] != ' ' && l[e] != '\t')) return 0;
  if (text) *text = e;
  return static_cast<int>(e - k);
}

// 1 for a "===" underline, 2 for "---", else 0.
int underline_level(std::string_view l) {
  if (columns(l) > 3) return 0;
  const std::string_view t = trim(l);
  if (t.empty() || (t[0] != '=' && t[0] != '-')) return 0;
  for (char x : t)
    if (x != t[0]) return 0;
  return t[0] == '=' ? 1 : 2;
}

struct Fence {
  char c = 0;
  size_t len = 0;
};

// The code fence line `l` opens ("```" or "~~~" and longer), if any.
Fence fence_of(std::string_view l) {
  const size_t k = indent_of(l);
  if (k >= l.size() || (l[k] != '`' && l[k] != '~')) return {};
  size_t e = k;
  while (e < l.size() && l[e] == l[k]) ++e;
  if (e - k < 3) return {};
  if (l[k] == '`' && l.substr(e).find('`') != std::string_view::npos) return {};
  return {l[k], e - k};
}

bool closes(std::string_view l, Fence f) {
  const std::string_view t = trim(l);
  if (t.size() < f.len) return false;
  for (char x : t)
    if (x != f.c) return false;
  return true;
}

// A line that starts a block of its own and so cannot be part of a
// paragraph that a setext underline turns into a heading: a list item, a
// quotation, an HTML block.
bool starts_other_block(std::string_view l) {
  const std::string_view t = trim(l);
  if (t.empty()) return true;
  const char c = t[0];
  if (c == '>' || c == '<') return true;
  if ((c == '-' || c == '*' || c == '+') && (t.size() == 1 || t[1] == ' ' || t[1] == '\t'))
    return true;
  size_t k = 0;
  while (k < t.size() && k < 10 && t[k] >= '0' && t[k] <= '9') ++k;
  return k > 0 && k < t.size() && (t[k] == '.' || t[k] == ')') &&
         (k + 1 == t.size() || t[k + 1] == ' ' || t[k + 1] == '\t');
}

// How far up a setext title's paragraph is followed.
constexpr size_t kTitleLines = 30;

// The first line of the heading that the underline on line `u` ends, or
// kNoLine when that line is no underline of a paragraph.
size_t setext_start(const SourceText& src, size_t u) {
  const std::vector<std::string_view>& lines = *src.lines;
  if (u == 0 || src.scopes[u].dead || underline_level(lines[u]) == 0) return kNoLine;
  size_t p = u;
  while (p > 0 && u - p < kTitleLines) {
    const std::string_view above = lines[p - 1];
    if (src.scopes[p - 1].dead || is_blank_line(above) || atx_level(above) != 0 ||
        underline_level(above) != 0 || fence_of(above).c != 0)
      break;
    --p;
  }
  if (p == u || starts_other_block(lines[p]) || columns(lines[p]) > 3) return kNoLine;
  return p;
}

// The line that the section of a heading of `level` that ends on line
// `after` reaches: the last filled line before the next heading of the same
// or a higher level.
size_t section_end(const SourceText& src, size_t start, size_t after, int level) {
  const std::vector<std::string_view>& lines = *src.lines;
  for (size_t j = after + 1; j < lines.size(); ++j) {
    if (src.scopes[j].dead) continue;
    const int atx = atx_level(lines[j]);
    if (atx != 0 && atx <= level) return last_filled(lines, start, j - 1);
    const int under = underline_level(lines[j]);
    if (under != 0 && under <= level) {
      const size_t s = setext_start(src, j);
      if (s != kNoLine && s > after) return last_filled(lines, start, s - 1);
    }
  }
  return last_filled(lines, start, lines.size() - 1);
}

// The underline below the setext title whose paragraph holds line `i`, or
// kNoLine.
size_t underline_below(const SourceText& src, size_t i) {
  const std::vector<std::string_view>& lines = *src.lines;
  for (size_t k = i + 1; k < lines.size() && k <= i + kTitleLines; ++k) {
    if (src.scopes[k].dead || is_blank_line(lines[k]) || atx_level(lines[k]) != 0) break;
    if (underline_level(lines[k]) != 0) {
      const size_t s = setext_start(src, k);
      return s != kNoLine && s <= i ? k : kNoLine;
    }
  }
  return kNoLine;
}

}  // namespace

std::vector<LineScope> markdown_scopes(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  const size_t n = lines.size();
  const auto kill = [&](size_t from, size_t to) {
    for (size_t k = from; k <= to && k < n; ++k) out[k].dead = true;
  };
  size_t i = 0;
  // Front matter: "---" (YAML) or "+++" (TOML) on the first line, closed by
  // the same line (or "..." for YAML).
  if (n > 1) {
    const std::string_view first = trim_ws_end(lines[0]);
    if (first == "---" || first == "+++") {
      for (size_t k = 1; k < n; ++k) {
        const std::string_view t = trim_ws_end(lines[k]);
        if (t == first || (first == "---" && t == "...")) {
          kill(0, k);
          i = k + 1;
          break;
        }
      }
    }
  }
  // The shortest fence of each kind known to have no closer below the line
  // its search began on: later openers that long need no search.
  size_t unclosed[2] = {static_cast<size_t>(-1), static_cast<size_t>(-1)};
  for (; i < n; ++i) {
    const std::string_view l = lines[i];
    const Fence f = fence_of(l);
    if (f.c != 0) {
      size_t& known = unclosed[f.c == '`' ? 0 : 1];
      size_t close = kNoLine;
      if (f.len < known) {
        for (size_t k = i + 1; k < n; ++k)
          if (closes(lines[k], f)) {
            close = k;
            break;
          }
        if (close == kNoLine) known = f.len;
      }
      // An unclosed fence runs to the end; an indented one is text in an
      // indented block unless something closes it.
      if (close == kNoLine && columns(l) > 3) continue;
      kill(i, close == kNoLine ? n - 1 : close);
      if (close == kNoLine) break;
      i = close;
      continue;
    }
    if (columns(l) <= 3 && starts_with(trim(l), "<!--")) {
      size_t k = i;
      const size_t open = l.find("<!--");
      while (k < n && lines[k].find("-->", k == i ? open + 4 : 0) == std::string_view::npos) ++k;
      kill(i, k);
      i = k;
    }
  }
  return out;
}

Head markdown_head(const SourceText& src, size_t i, size_t col, size_t, Scope, size_t) {
  const std::vector<std::string_view>& lines = *src.lines;
  size_t text = 0;
  if (const int level = atx_level(lines[i], &text)) {
    if (col < text) return {};
    return definition_end(i, section_end(src, i, i, level));
  }
  const size_t u = underline_below(src, i);
  if (u == kNoLine) return {};
  const size_t start = setext_start(src, u);
  return definition_end(start, section_end(src, start, u, underline_level(lines[u])));
}

bool markdown_outline(const SourceText& src, size_t i) {
  const std::vector<std::string_view>& lines = *src.lines;
  if (atx_level(lines[i]) != 0) return true;
  // A setext title starts a paragraph.
  if (i > 0 && !src.scopes[i - 1].dead && !is_blank_line(lines[i - 1]) &&
      atx_level(lines[i - 1]) == 0 && underline_level(lines[i - 1]) == 0)
    return false;
  return underline_below(src, i) != kNoLine;
}

bool markdown_label(const SourceText& src, size_t i, std::string& out) {
  if (atx_level((*src.lines)[i]) != 0) return false;
  const size_t u = underline_below(src, i);
  if (u == kNoLine) return false;
  out = trim_ws_end((*src.lines)[i]);
  out += ' ';
  out += trim((*src.lines)[u]).substr(0, 3);
  return true;
}

}  // namespace zub::code
