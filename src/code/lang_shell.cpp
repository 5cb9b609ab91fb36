// Shell (sh, bash, zsh): functions, as "name() {", "function name {" and
// "function name() {", with bodies in braces or parentheses. A scan of its
// own finds the braces that group commands (not those of ${...} or of
// brace expansion) outside quotes, comments and heredocs.
#include "code/languages.h"

#include <string>

#include "code/head_scan.h"

namespace zub::code {

namespace {

enum class Block : unsigned char { Function, Group };

bool word_byte(char c) { return is_ident_byte(c) || c == '-' || c == '.' || c == ':'; }

// The function a line declares: "name ()" or "function name [()]" at its
// start, with the offset just past the head; false when it declares none.
bool function_head(std::string_view l, size_t* col, size_t* len, size_t* end) {
  size_t k = indent_of(l);
  bool keyword = false;
  if (starts_word(l.substr(k), "function")) {
    keyword = true;
    k += 8;
    while (k < l.size() && is_space(l[k])) ++k;
  }
  size_t e = k;
  while (e < l.size() && word_byte(l[e])) ++e;
  if (e == k || (l[k] >= '0' && l[k] <= '9')) return false;
  size_t p = e;
  while (p < l.size() && is_space(l[p])) ++p;
  bool parens = false;
  if (p < l.size() && l[p] == '(') {
    size_t q = p + 1;
    while (q < l.size() && is_space(l[q])) ++q;
    if (q >= l.size() || l[q] != ')') return false;
    parens = true;
    p = q + 1;
  }
  if (!parens && !keyword) return false;
  while (p < l.size() && is_space(l[p])) ++p;
  // The body follows: "{", "(", or nothing on this line.
  if (p < l.size() && l[p] != '{' && l[p] != '(' && l[p] != '#') return false;
  *col = k;
  *len = e - k;
  *end = p;
  return true;
}

struct ShellScan {
  std::vector<Block> stack;
  size_t functions = 0;
  char quote = 0;                     // a quote running over lines
  std::vector<std::string> heredocs;  // closing words of the heredocs being read
  std::vector<bool> strip_tabs;
  bool function_pending = false;  // a function head without its "{" yet

  void open(Block b) {
    stack.push_back(b);
    if (b == Block::Function) ++functions;
  }
  void close() {
    if (stack.empty()) return;
    if (stack.back() == Block::Function) --functions;
    stack.pop_back();
  }
  void line(std::string_view l);
};

// Past a quoted text from `i` (after its quote) on this line; true when it closed.
bool past_quote(std::string_view l, size_t& i, char q) {
  for (; i < l.size(); ++i) {
    if (l[i] == '\\' && q != '\'')
      ++i;
    else if (l[i] == q)
      return true;
  }
  return false;
}

void ShellScan::line(std::string_view l) {
  const size_t n = l.size();
  size_t i = 0;
  if (quote != 0) {
    if (!past_quote(l, i, quote)) return;
    quote = 0;
    ++i;
  }
  size_t col, len, end;
  const bool head = function_head(l, &col, &len, &end);
  bool command_start = true;  // only white space, ";", "&", "|" or "(" since the last word
  while (i < n) {
    const char c = l[i];
    if (is_space(c)) {
      ++i;
      continue;
    }
    const bool at_word = i == 0 || is_space(l[i - 1]) || l[i - 1] == ';' || l[i - 1] == '&' ||
                         l[i - 1] == '|' || l[i - 1] == '(';
    if (c == '#' && at_word) return;
    if (c == '\\') {
      i += 2;
      command_start = false;
      continue;
    }
    if (c == '\'' || c == '"' || c == '`') {
      ++i;
      if (!past_quote(l, i, c)) {
        quote = c;
        return;
      }
      ++i;
      command_start = false;
      continue;
    }
    if (c == '$' && i + 1 < n && l[i + 1] == '{') {
      int depth = 0;
      for (++i; i < n; ++i) {
        if (l[i] == '{') ++depth;
        if (l[i] == '}' && --depth == 0) break;
      }
      ++i;
      command_start = false;
      continue;
    }
    if (c == '$' && i + 1 < n && l[i + 1] == '\'') {
      i += 2;
      if (!past_quote(l, i, '\'')) {
        quote = '\'';
        return;
      }
      ++i;
      continue;
    }
    if (c == '<' && i + 1 < n && l[i + 1] == '<' && !(i + 2 < n && l[i + 2] == '<')) {
      size_t k = i + 2;
      const bool tabs = k < n && l[k] == '-';
      if (tabs) ++k;
      while (k < n && is_space(l[k])) ++k;
      const bool quoted = k < n && (l[k] == '\'' || l[k] == '"');
      if (quoted || (k < n && l[k] == '\\')) ++k;
      size_t e = k;
      while (e < n && (is_ident_byte(l[e]) || l[e] == '-' || l[e] == '.')) ++e;
      if (e > k && !(l[k] >= '0' && l[k] <= '9')) {
        heredocs.emplace_back(l.substr(k, e - k));
        strip_tabs.push_back(tabs);
        i = quoted ? e + 1 : e;
        continue;
      }
      i += 2;
      continue;
    }
    const bool word_ends_after = i + 1 >= n || is_space(l[i + 1]) || l[i + 1] == ';' ||
                                 l[i + 1] == ')' || l[i + 1] == '|' || l[i + 1] == '&' ||
                                 l[i + 1] == '>' || l[i + 1] == '<';
    if (c == '{' && at_word && word_ends_after) {
      open(head && i >= end
               ? Block::Function
               : (function_pending && i == indent_of(l) ? Block::Function : Block::Group));
      function_pending = false;
      command_start = true;
      ++i;
      continue;
    }
    if (c == '}' && command_start && word_ends_after) {
      close();
      ++i;
      command_start = false;
      continue;
    }
    command_start = c == ';' || c == '&' || c == '|' || c == '(';
    ++i;
  }
  if (head && end >= n) function_pending = true;
}

}  // namespace

std::vector<LineScope> shell_scan(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  ShellScan s;
  for (size_t li = 0; li < lines.size(); ++li) {
    const std::string_view l = lines[li];
    out[li] = {s.functions > 0 ? Scope::Body : Scope::Top, s.quote != 0 || !s.heredocs.empty(),
               false, static_cast<uint32_t>(s.stack.size())};
    if (!s.heredocs.empty()) {
      std::string_view t = l;
      if (s.strip_tabs.front())
        while (!t.empty() && t[0] == '\t') t.remove_prefix(1);
      if (t == s.heredocs.front()) {
        s.heredocs.erase(s.heredocs.begin());
        s.strip_tabs.erase(s.strip_tabs.begin());
      }
      continue;
    }
    const std::string_view t = trim(l);
    if (!t.empty() && !(s.function_pending && (t[0] == '{' || t[0] == '('))) {
      // Only a body may stand between a function's head and its "{".
      if (t[0] != '#') s.function_pending = false;
    }
    s.line(l);
  }
  return out;
}

Head shell_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t) {
  const std::string_view line = (*src.lines)[i];
  size_t hc, hl, end;
  if (!function_head(line, &hc, &hl, &end) || hc != col || hl != len) return {};
  // The body: on this line after the head, or on the next line that is not blank.
  size_t j = i, at = end;
  if (end >= line.size() || line[end] == '#') {
    const size_t n = src.lines->size();
    for (j = i + 1; j < n && j <= i + 3; ++j) {
      const std::string_view t = trim((*src.lines)[j]);
      if (!t.empty() && t[0] != '#') break;
    }
    if (j >= src.lines->size()) return {};
    at = indent_of((*src.lines)[j]);
    const std::string_view b = (*src.lines)[j];
    if (at >= b.size() || (b[at] != '{' && b[at] != '(')) return {};
  }
  const std::string_view b = (*src.lines)[j];
  if (!src.extents) return definition_end(i, j);
  if (b[at] == '{') {
    const size_t e = body_end(src, j, at);
    return e == kNoLine ? definition_brace(i, j) : definition_end(i, e);
  }
  Cursor k = cursor_at(src, j, at);
  k.last = src.lines->size() - 1;
  if (!k.skip_group()) return definition(i);
  return definition_end(i, k.i);
}

bool shell_outline(const SourceText& src, size_t i) {
  size_t col, len, end;
  return function_head((*src.lines)[i], &col, &len, &end) &&
         is_defined(name_head(src, i, col, len));
}

}  // namespace zub::code
