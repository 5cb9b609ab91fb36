// reStructuredText and plain text: section titles, a line underlined (and
// perhaps overlined) by a run of one punctuation character at least as long
// as the title or four long. Titles are the file's only definitions; their
// levels come from the order in which the adornment styles first appear, and
// a title's section runs to the next title of the same or a higher level.
#include <algorithm>

#include "base/unicode.h"
#include "code/doc_lines.h"
#include "code/languages.h"

namespace zub::code {

namespace {

bool is_adornment_char(char c) {
  return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') ||
         (c >= '{' && c <= '~');
}

// The character of an adornment line (two or more of one punctuation
// character from the first column), else 0; `len` gets its length.
char adornment(std::string_view l, size_t* len = nullptr) {
  const std::string_view t = trim_ws_end(l);
  if (t.size() < 2 || !is_adornment_char(t[0])) return 0;
  for (char x : t)
    if (x != t[0]) return 0;
  if (len) *len = t.size();
  return t[0];
}

size_t width(std::string_view s) {
  size_t w = 0;
  for (char c : s) w += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return w;
}

struct Title {
  size_t first = kNoLine;  // the overline, or the title line
  size_t text = kNoLine;
  size_t under = kNoLine;
  char c = 0;
  bool over = false;
};

bool fits(std::string_view text, size_t len) { return len >= 4 || len >= width(trim(text)); }

// The title whose text is line `t`, if it is one.
Title title_at(const std::vector<std::string_view>& lines, size_t t) {
  if (t + 1 >= lines.size() || is_blank_line(lines[t]) || adornment(lines[t]) != 0) return {};
  size_t ulen = 0;
  const char c = adornment(lines[t + 1], &ulen);
  if (c == 0 || !fits(lines[t], ulen)) return {};
  size_t olen = 0;
  if (t > 0 && adornment(lines[t - 1], &olen) == c && olen == ulen &&
      (t == 1 || is_blank_line(lines[t - 2])))
    return {t - 1, t, t + 1, c, true};
  if (indent_of(lines[t]) != 0 || (t > 0 && !is_blank_line(lines[t - 1]))) return {};
  return {t, t, t + 1, c, false};
}

// Every title of the file with the last line of its section: up to the
// next title of the same or a higher level (a lower number), else the end.
struct Section {
  Title title;
  size_t end;
};

std::vector<Section> all_sections(const std::vector<std::string_view>& lines) {
  std::vector<Section> out;
  std::vector<std::pair<char, bool>> styles;
  std::vector<std::pair<size_t, size_t>> open;  // (index in out, level), levels rising
  for (size_t t = 0; t + 1 < lines.size(); ++t) {
    const Title x = title_at(lines, t);
    if (x.text == kNoLine) continue;
    const std::pair<char, bool> style{x.c, x.over};
    auto it = std::find(styles.begin(), styles.end(), style);
    if (it == styles.end()) it = styles.insert(styles.end(), style);
    const size_t level = static_cast<size_t>(it - styles.begin()) + 1;
    // This title closes every open section at its level or below it.
    while (!open.empty() && open.back().second >= level) {
      out[open.back().first].end = x.first - 1;
      open.pop_back();
    }
    open.emplace_back(out.size(), level);
    out.push_back({x, lines.size() - 1});
    t = x.under;
  }
  return out;
}

// The sections of the file last asked about, on this thread: def asks for
// every title line of one file in turn, and finding them all anew each
// time grew with the square of the titles.
const std::vector<Section>& sections_of(const std::vector<std::string_view>& lines) {
  struct Cache {
    const std::vector<std::string_view>* lines = nullptr;
    const char* first = nullptr;
    const char* last = nullptr;
    size_t count = 0;
    std::vector<Section> sections;
  };
  thread_local Cache cache;
  const char* first = lines.empty() ? nullptr : lines.front().data();
  const char* last = lines.empty() ? nullptr : lines.back().data();
  if (cache.lines != &lines || cache.count != lines.size() || cache.first != first ||
      cache.last != last) {
    cache.sections = all_sections(lines);
    cache.lines = &lines;
    cache.count = lines.size();
    cache.first = first;
    cache.last = last;
  }
  return cache.sections;
}

}  // namespace

std::vector<LineScope> rst_scopes(const std::vector<std::string_view>& lines) {
  return std::vector<LineScope>(lines.size());
}

Head rst_head(const SourceText& src, size_t i, size_t, size_t, Scope, size_t) {
  const std::vector<std::string_view>& lines = *src.lines;
  if (title_at(lines, i).text == kNoLine) return {};
  const std::vector<Section>& sections = sections_of(lines);
  const auto it =
      std::lower_bound(sections.begin(), sections.end(), i,
                       [](const Section& s, size_t line) { return s.title.text < line; });
  if (it == sections.end() || it->title.text != i)
    return {};  // an underline that is itself read as part of an earlier title
  return definition_end(it->title.first, last_filled(lines, it->title.first, it->end));
}

bool rst_outline(const SourceText& src, size_t i) {
  return title_at(*src.lines, i).text != kNoLine;
}

bool rst_label(const SourceText& src, size_t i, std::string& out) {
  const Title x = title_at(*src.lines, i);
  if (x.text == kNoLine) return false;
  const std::string mark(3, x.c);
  out = x.over ? mark + ' ' + std::string(trim((*src.lines)[i]))
               : std::string(trim_ws_end((*src.lines)[i]));
  out += ' ';
  out += mark;
  return true;
}

}  // namespace zub::code
