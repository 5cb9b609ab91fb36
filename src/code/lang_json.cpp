// JSON (and JSON with comments): the keys of the top-level object, a key's
// block running to the end of its value. One pass that only counts brackets
// and skips strings and comments, stopping where the top-level value ends:
// a 30 MB file is never parsed into anything.
#include <string>
#include <utility>

#include "code/doc_lines.h"
#include "code/languages.h"

namespace zub::code {

namespace {

// The scan's state between bytes.
struct JsonState {
  size_t depth = 0;
  bool object = false;      // the top-level value is an object
  bool expect_key = false;  // at depth 1 of the top object, before a key
  bool comment = false;     // inside /* */
  bool closed = false;      // the top-level value has ended
};

// Steps over line `l` from `st`; calls `key(begin, end)` for every key of
// the top-level object that starts on the line (between its quotes), and
// stops early when `key` returns true.
template <typename Key>
void scan_line(std::string_view l, JsonState& st, Key key) {
  for (size_t k = 0; k < l.size() && !st.closed; ++k) {
    const char c = l[k];
    if (st.comment) {
      if (c == '*' && k + 1 < l.size() && l[k + 1] == '/') st.comment = false, ++k;
      continue;
    }
    switch (c) {
      case '"': {
        size_t e = k + 1;
        while (e < l.size() && l[e] != '"') e += l[e] == '\\' ? size_t{2} : size_t{1};
        if (e > l.size()) e = l.size();
        if (st.depth == 1 && st.object && st.expect_key && key(k + 1, e)) return;
        k = e;
        break;
      }
      case '/':
        if (k + 1 < l.size() && l[k + 1] == '/') return;
        if (k + 1 < l.size() && l[k + 1] == '*') st.comment = true, ++k;
        break;
      case '{':
      case '[':
        if (st.depth == 0) {
          st.object = c == '{';
          st.expect_key = st.object;
        }
        ++st.depth;
        break;
      case '}':
      case ']':
        if (st.depth > 0 && --st.depth == 0) st.closed = true;
        break;
      case ',':
        if (st.depth == 1) st.expect_key = st.object;
        break;
      case ':':
        if (st.depth == 1) st.expect_key = false;
        break;
      default: break;
    }
  }
}

// The state at the start of line `i`, from its scope: exact at the top and
// at depth 1 of the top object, where keys are; deeper lines are not read
// for keys.
bool state_of(const SourceText& src, size_t i, JsonState& st) {
  const LineScope s = src.scopes[i];
  if (s.dead || s.scope == Scope::Body) return false;
  st.depth = s.scope == Scope::Top ? 0 : 1;
  st.object = true;
  st.expect_key = !s.inner;
  return true;
}

}  // namespace

// `scope` is Top at depth 0, Container at depth 1 of the top-level object
// (`inner` when a value, not a key, comes next) and Body deeper or in a
// top-level array; lines in a block comment or after the top-level value
// are dead.
std::vector<LineScope> json_scopes(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  JsonState st;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (st.closed || st.comment) {
      out[i].dead = true;
      if (st.closed) continue;
    }
    out[i].scope = st.depth == 0                ? Scope::Top
                   : st.depth == 1 && st.object ? Scope::Container
                                                : Scope::Body;
    out[i].inner = st.depth == 1 && st.object && !st.expect_key;
    scan_line(lines[i], st, [](size_t, size_t) { return false; });
  }
  return out;
}

Head json_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t) {
  const std::vector<std::string_view>& lines = *src.lines;
  JsonState st;
  if (!state_of(src, i, st)) return {};
  bool found = false;
  scan_line(lines[i].substr(0, col + len + 1), st, [&](size_t b, size_t e) {
    found = b == col && e == col + len;
    return found;
  });
  // A key is closed by its quote on the same line.
  if (!found || col + len >= lines[i].size()) return {};
  // The value ends at the "," or "}" that brings the scan back to depth 1.
  JsonState v;
  v.depth = 1;
  v.object = true;
  std::string_view rest = lines[i].substr(col + len + 1);
  for (size_t j = i; j < lines.size(); ++j) {
    if (j > i) rest = lines[j];
    size_t ended = kNoLine;  // where the value's "," or the closing "}" stands
    for (size_t k = 0; k < rest.size() && ended == kNoLine; ++k) {
      const char c = rest[k];
      if (v.comment) {
        if (c == '*' && k + 1 < rest.size() && rest[k + 1] == '/') v.comment = false, ++k;
        continue;
      }
      if (c == '"') {
        ++k;
        while (k < rest.size() && rest[k] != '"') k += rest[k] == '\\' ? size_t{2} : size_t{1};
      } else if (c == '/' && k + 1 < rest.size() && rest[k + 1] == '/') {
        break;
      } else if (c == '/' && k + 1 < rest.size() && rest[k + 1] == '*') {
        v.comment = true;
        ++k;
      } else if (c == '{' || c == '[') {
        ++v.depth;
      } else if (c == '}' || c == ']') {
        if (--v.depth == 0) ended = k;
      } else if (c == ',' && v.depth == 1) {
        ended = k;
      }
    }
    if (ended == kNoLine) continue;
    // A "," or "}" at the start of a line ends the value on the line before.
    return definition_end(i, j > i && is_blank_line(rest.substr(0, ended)) ? j - 1 : j);
  }
  return definition_end(i, lines.size() - 1);
}

bool json_outline(const SourceText& src, size_t i) {
  JsonState st;
  if (!state_of(src, i, st)) return false;
  bool found = false;
  scan_line((*src.lines)[i], st, [&](size_t, size_t) { return found = true; });
  return found;
}

namespace {

// What of a line `outline` shows; a longer line is cut there.
constexpr size_t kShownBytes = 160;

}  // namespace

// A long line that holds several top-level keys (minified JSON) shows the
// keys, as many as fit, and how many more the line holds; cut as written
// it would show the first key's value and hide the rest.
bool json_label(const SourceText& src, size_t i, std::string& out) {
  const std::string_view l = (*src.lines)[i];
  JsonState st;
  if (l.size() <= kShownBytes || !state_of(src, i, st)) return false;
  size_t keys = 0, shown = 0;
  std::string list;
  scan_line(l, st, [&](size_t b, size_t e) {
    const std::string_view k = l.substr(b, e - b);
    if (shown == keys && list.size() + k.size() + 40 <= kShownBytes) {
      if (!list.empty()) list += ", ";
      list += '"';
      list += k;
      list += "\": \xE2\x80\xA6";
      ++shown;
    }
    ++keys;
    return false;
  });
  if (keys < 2) return false;
  out = std::move(list);
  if (shown < keys) out += " (+" + std::to_string(keys - shown) + " more keys on this line)";
  return true;
}

}  // namespace zub::code
