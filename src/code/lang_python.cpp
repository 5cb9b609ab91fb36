// Python: def and class, module-level and class-level assignments,
// decorators and imports.
#include "code/languages.h"

#include "code/head_scan.h"

namespace zub::code {

namespace {

bool is_comment_or_blank(std::string_view t) { return t.empty() || t[0] == '#'; }

// The line that ends the head of the def or class whose name ends at (i, c):
// the ":" after its parameters or bases and its return annotation, however
// many lines they take.
size_t head_end(const SourceText& src, size_t i, size_t c) {
  Cursor k = cursor_at(src, i, c);
  while (k.skip_space()) {
    const char x = k.ch();
    if (x == ':') return k.i;
    if (x == '(' || x == '[' || x == '{') {
      if (!k.skip_group()) return i;
    } else if (x == '"' || x == '\'') {
      k.skip_quoted();
    } else {
      ++k.c;
    }
  }
  return i;
}

// Last line of the body after the head ending at line `h`: the statement
// after the ":" on that line, or the lines indented deeper than line `i`
// (blank and comment lines only inside, strings running over lines
// whatever their indentation).
size_t body_end_by_indent(const SourceText& src, size_t i, size_t h) {
  const std::vector<std::string_view>& lines = *src.lines;
  const size_t d = indent_of(lines[i]);
  size_t end = h;
  for (size_t j = h + 1; j < lines.size(); ++j) {
    const std::string_view t = trim(lines[j]);
    if (src.scopes[j].dead) {
      end = j;
      continue;
    }
    if (is_comment_or_blank(t)) {
      if (!t.empty() && indent_of(lines[j]) > d) end = j;
      continue;
    }
    if (indent_of(lines[j]) <= d) break;
    end = j;
  }
  return end;
}

// First line of the decorators right above line `i` (i itself when none):
// lines at the same indentation that start with "@", each with the
// arguments it opens.
size_t decorators_start(const SourceText& src, size_t i) {
  const std::vector<std::string_view>& lines = *src.lines;
  const size_t d = indent_of(lines[i]);
  const size_t from = i > kHeadLines ? i - kHeadLines : 0;
  for (size_t k = from; k < i; ++k) {
    const std::string_view t = trim(lines[k]);
    if (t.empty() || t[0] != '@' || indent_of(lines[k]) != d || src.scopes[k].dead) continue;
    // Decorator after decorator, each ending where its brackets close.
    size_t j = k;
    while (j < i) {
      const std::string_view u = trim(lines[j]);
      if (u.empty() || u[0] != '@' || indent_of(lines[j]) != d) break;
      Cursor c = cursor_at(src, j, indent_of(lines[j]) + 1);
      size_t last = j;
      while (c.skip_space() && c.i == last) {
        if (c.ch() == '(' || c.ch() == '[') {
          if (!c.skip_group()) break;
          last = c.i;
        } else if (c.ch() == '"' || c.ch() == '\'') {
          c.skip_quoted();
        } else {
          ++c.c;
        }
      }
      j = last + 1;
    }
    if (j == i) return k;
  }
  return i;
}

}  // namespace

Head python_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t from) {
  const std::vector<std::string_view>& lines = *src.lines;
  const std::string_view line = lines[i];
  const std::string_view pre = trim(line.substr(from, col - from));
  if (pre == "def" || pre == "class" || pre == "async def") {
    if (!src.extents) return definition(i);
    const size_t h = head_end(src, i, col + len);
    return definition_end(decorators_start(src, i), body_end_by_indent(src, i, h));
  }
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
      if (t.empty() || t[0] == '#' || src.scopes[k].dead || closes_group(t)) continue;
      if (indent_of(lines[k]) < d) {
        in_class = starts_word(t, "class");
        break;
      }
    }
    if (!in_class) return {};
  }
  return definition_end(i, statement_end(src, i, col));
}

namespace {

// True when line `i` lies in a function's body: the nearest enclosing
// def, looking out through try, if, with and the like, comes before a class
// or the module. (An import there is no part of the file's shape.)
bool in_function(const SourceText& src, size_t i) {
  const std::vector<std::string_view>& lines = *src.lines;
  size_t d = indent_of(lines[i]);
  for (size_t k = i; k-- > 0 && d > 0;) {
    const std::string_view t = trim(lines[k]);
    if (t.empty() || t[0] == '#' || src.scopes[k].dead || indent_of(lines[k]) >= d ||
        closes_group(t))
      continue;
    if (starts_word(t, "def") || starts_word(t, "async def")) return true;
    if (starts_word(t, "class")) return false;
    d = indent_of(lines[k]);
  }
  return false;
}

}  // namespace

bool python_outline(const SourceText& src, size_t i) {
  const std::string_view t = trim((*src.lines)[i]);
  if (t.empty() || src.scopes[i].dead) return false;
  if (starts_word(t, "import") || starts_word(t, "from")) return !in_function(src, i);
  return starts_word(t, "def") || starts_word(t, "class") || starts_word(t, "async def") ||
         t[0] == '@';
}

// Python's blocks are its indentation: a line is at file level when it
// starts in the first column. The scan only follows strings, so that the
// lines of a triple-quoted one are dead.
std::vector<LineScope> python_scan(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  char triple = 0;  // the quote of an open triple-quoted string
  for (size_t li = 0; li < lines.size(); ++li) {
    const std::string_view l = lines[li];
    out[li].dead = triple != 0;
    out[li].scope = l.empty() || (l[0] != ' ' && l[0] != '\t') ? Scope::Top : Scope::Body;
    const size_t n = l.size();
    for (size_t i = 0; i < n; ++i) {
      const char c = l[i];
      if (triple) {
        if (c == '\\')
          ++i;
        else if (c == triple && i + 2 < n && l[i + 1] == c && l[i + 2] == c)
          triple = 0, i += 2;
        continue;
      }
      if (c == '#') break;
      if (c != '"' && c != '\'') continue;
      if (i + 2 < n && l[i + 1] == c && l[i + 2] == c) {
        triple = c;
        i += 2;
        continue;
      }
      for (++i; i < n && l[i] != c; ++i)
        if (l[i] == '\\') ++i;
    }
  }
  return out;
}

}  // namespace zub::code
