// Ruby: classes and modules, methods (also on self or another object,
// endless ones), constants and attribute accessors; for outline also the
// require, include and alias lines. Blocks close with "end": a scan of its
// own counts the keywords that open one (outside strings, symbols, regular
// expressions, heredocs and =begin comments; if, unless, while and until
// only where a statement starts, not as modifiers).
#include "code/languages.h"

#include <string>

#include "code/block_end.h"
#include "code/head_scan.h"

namespace zub::code {

namespace {

// What a pushed block is: a class or module body, a method body, other.
enum class Block : unsigned char { Type, Method, Other };

// The closing byte of a %-literal or string opened by `open`.
char closer_of(char open) {
  switch (open) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    default: return open;
  }
}

struct RubyScan {
  std::vector<Block> stack;
  size_t methods = 0, types = 0;
  // A string or %-literal running over lines: its opener, closer, nesting.
  char open = 0, close = 0;
  int nest = 0;
  bool interpolates = false;
  std::vector<std::string> heredocs;  // closing words of the heredocs being read
  std::vector<std::string> pending;   // those begun on the line being scanned
  bool in_doc = false;                // inside =begin ... =end

  Scope scope() const {
    if (methods > 0) return Scope::Body;
    if (types > 0) return Scope::Container;
    return Scope::Top;
  }
  void push(Block b) {
    stack.push_back(b);
    if (b == Block::Method) ++methods;
    if (b == Block::Type) ++types;
  }
  void pop() {
    if (stack.empty()) return;
    if (stack.back() == Block::Method) --methods;
    if (stack.back() == Block::Type) --types;
    stack.pop_back();
  }

  // Past the string body from `i` (after its opener) to its closer on this
  // line; true when it closed.
  bool string_body(std::string_view l, size_t& i) {
    for (; i < l.size(); ++i) {
      const char c = l[i];
      if (c == '\\') {
        ++i;
      } else if (interpolates && c == '#' && i + 1 < l.size() && l[i + 1] == '{') {
        int depth = 0;
        for (++i; i < l.size(); ++i) {
          if (l[i] == '{') ++depth;
          if (l[i] == '}' && --depth == 0) break;
        }
      } else if (c == open && open != close) {
        ++nest;
      } else if (c == close) {
        if (nest-- == 0) {
          open = 0;
          nest = 0;
          return true;
        }
      }
    }
    return false;
  }

  void begin_string(char opener, bool interp) {
    open = opener;
    close = closer_of(opener);
    nest = 0;
    interpolates = interp;
  }

  void line(std::string_view l);
};

bool word_opens_statement(std::string_view w) {
  return is_word(w, {"then", "else", "do", "and", "or", "not", "begin", "when", "in", "elsif",
                     "ensure", "rescue", "yield"});
}

// After `def`: past the method's name (self.name, operators, name=) and
// its parameters on this line; true when "=" follows (an endless method,
// which opens no block).
bool endless_def(std::string_view l, size_t k) {
  while (k < l.size() && is_space(l[k])) ++k;
  while (k < l.size() && (is_ident_byte(l[k]) || l[k] == '.')) ++k;
  // Operator names and setters: "==", "[]=", "name=" (an "=" glued to the
  // name belongs to it).
  while (k < l.size() && std::string_view("?!=<>+-*/%[]~^&|").find(l[k]) != std::string_view::npos)
    ++k;
  if (k < l.size() && l[k] == '(') {
    int depth = 0;
    for (; k < l.size(); ++k) {
      if (l[k] == '(') ++depth;
      if (l[k] == ')' && --depth == 0) break;
    }
    if (k == l.size()) return false;
    ++k;
  }
  while (k < l.size() && is_space(l[k])) ++k;
  return k < l.size() && l[k] == '=' && (k + 1 >= l.size() || (l[k + 1] != '=' && l[k + 1] != '~'));
}

void RubyScan::line(std::string_view l) {
  const size_t n = l.size();
  size_t i = 0;
  if (open != 0) {
    if (!string_body(l, i)) return;
    ++i;
  }
  bool start = true;     // a statement starts here
  bool loop_do = false;  // a while/until/for on this line takes its "do"
  char prev = 0;         // last significant byte
  // A string, symbol list or regex whose body starts at `body`: false when
  // it runs past the line (its state carries to the next one).
  const auto literal = [&](char delim, bool interpolating, size_t body) {
    begin_string(delim, interpolating);
    i = body;
    if (!string_body(l, i)) return false;
    ++i;
    prev = 'x';
    start = false;
    return true;
  };
  while (i < n) {
    const char c = l[i];
    if (is_space(c)) {
      ++i;
      continue;
    }
    if (c == '#') return;
    if (c == '$' && i + 1 < n && !is_ident_byte(l[i + 1])) {
      i += 2;  // a special global such as $' or $~
      prev = 'x';
      start = false;
      continue;
    }
    if (c == '"' || c == '`' || c == '\'') {
      if (!literal(c, c != '\'', i + 1)) return;
      continue;
    }
    if (c == '%' && i + 1 < n && !(is_ident_byte(prev) || prev == ')' || prev == ']')) {
      size_t k = i + 1;
      if (std::string_view("qQwWiIrsx").find(l[k]) != std::string_view::npos) ++k;
      if (k < n && !is_ident_byte(l[k]) && !is_space(l[k]) && l[k] != '=') {
        if (!literal(l[k], l[i + 1] != 'q' && l[i + 1] != 'w' && l[i + 1] != 'i', k + 1)) return;
        continue;
      }
    }
    if (c == '/' &&
        (start || std::string_view("(,=~!&|{[;?:").find(prev) != std::string_view::npos ||
         (prev == 'x' && i + 1 < n && l[i + 1] != ' ' && i > 0 && l[i - 1] == ' '))) {
      if (!literal('/', true, i + 1)) return;
      continue;
    }
    if (c == '<' && i + 2 < n && l[i + 1] == '<') {
      size_t k = i + 2;
      const bool squiggly = l[k] == '~' || l[k] == '-';
      if (squiggly) ++k;
      const bool quoted = k < n && (l[k] == '\'' || l[k] == '"' || l[k] == '`');
      if (quoted) ++k;
      size_t e = k;
      while (e < n && is_ident_byte(l[e])) ++e;
      const std::string_view word = l.substr(k, e - k);
      const bool upper = !word.empty() && ((word[0] >= 'A' && word[0] <= 'Z') || word[0] == '_');
      if (!word.empty() && (squiggly || quoted || upper) && !(word[0] >= '0' && word[0] <= '9')) {
        pending.emplace_back(word);
        i = quoted ? e + 1 : e;
        prev = 'x';
        start = false;
        continue;
      }
    }
    if (c == ':' && i + 1 < n && l[i + 1] == ':') {
      i += 2;
      prev = '.';
      continue;
    }
    if (c == ':' && i + 1 < n && (is_ident_byte(l[i + 1]) || l[i + 1] == '"')) {
      // A symbol: :end and :class are no keywords.
      ++i;
      if (l[i] == '"') {
        begin_string('"', true);
        ++i;
        if (!string_body(l, i)) return;
        ++i;
      } else {
        while (i < n && (is_ident_byte(l[i]) || l[i] == '?' || l[i] == '!')) ++i;
      }
      prev = 'x';
      start = false;
      continue;
    }
    if (c == '?' && i + 1 < n && !is_space(l[i + 1]) && prev != 'x' &&
        (i + 2 >= n || !is_ident_byte(l[i + 2]))) {
      i += l[i + 1] == '\\' ? 3u : 2u;  // a character literal such as ?a
      prev = 'x';
      start = false;
      continue;
    }
    if (is_ident_byte(c)) {
      size_t e = i;
      while (e < n && is_ident_byte(l[e])) ++e;
      if (e < n && (l[e] == '?' || l[e] == '!') && !(e + 1 < n && l[e + 1] == '=')) ++e;
      const std::string_view w = l.substr(i, e - i);
      const bool member = prev == '.' || (i > 0 && l[i - 1] == '.');
      const bool label = e < n && l[e] == ':' && !(e + 1 < n && l[e + 1] == ':');
      i = e;
      if (member || label) {
        prev = 'x';
        start = false;
        continue;
      }
      bool opens_statement = word_opens_statement(w);
      if (w == "def") {
        if (!endless_def(l, e)) push(Block::Method);
        // The name that follows is no keyword.
        size_t k = e;
        while (k < n && is_space(l[k])) ++k;
        while (k < n && (is_ident_byte(l[k]) || l[k] == '.')) ++k;
        i = k;
      } else if (w == "class" || w == "module") {
        push(Block::Type);
      } else if (w == "do") {
        if (loop_do)
          loop_do = false;
        else
          push(Block::Other);
      } else if (w == "end") {
        pop();
      } else if (is_word(w, {"if", "unless", "while", "until", "case", "begin", "for"})) {
        if (start || w == "begin") {
          push(Block::Other);
          if (w == "while" || w == "until" || w == "for") loop_do = true;
          opens_statement = true;
        }
      }
      prev = 'x';
      start = opens_statement;
      continue;
    }
    if (c == ';') {
      start = true;
      loop_do = false;
    } else {
      start = std::string_view("=([,{|&!").find(c) != std::string_view::npos;
    }
    prev = c;
    ++i;
  }
}

}  // namespace

std::vector<LineScope> ruby_scan(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  RubyScan s;
  for (size_t li = 0; li < lines.size(); ++li) {
    const std::string_view l = lines[li];
    out[li] = {s.scope(), s.open != 0 || s.in_doc || !s.heredocs.empty(), false,
               static_cast<uint32_t>(s.stack.size())};
    if (s.in_doc) {
      if (starts_with(l, "=end")) s.in_doc = false;
      continue;
    }
    if (!s.heredocs.empty()) {
      if (trim(l) == s.heredocs.front()) s.heredocs.erase(s.heredocs.begin());
      continue;
    }
    if (s.open == 0 && starts_with(l, "=begin")) {
      s.in_doc = true;
      out[li].dead = true;
      continue;
    }
    if (s.open == 0 && l == "__END__") {
      for (size_t k = li; k < lines.size(); ++k) out[k] = {s.scope(), true, false, 0};
      break;
    }
    s.line(l);
    for (std::string& p : s.pending) s.heredocs.push_back(std::move(p));
    s.pending.clear();
  }
  return out;
}

namespace {

bool ruby_modifier(std::string_view w) {
  return is_word(w, {"private", "protected", "public", "module_function", "private_class_method",
                     "public_class_method"});
}

// `pre` is empty or only visibility words.
bool only_modifiers(std::string_view pre) {
  while (!pre.empty()) {
    const std::string_view w = last_word(pre);
    if (w.empty() || !ruby_modifier(w)) return false;
    pre = drop_last_word(pre);
  }
  return true;
}

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

Head ruby_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t) {
  const std::string_view line = (*src.lines)[i];
  std::string_view pre = trim(line.substr(0, col));
  // The receiver of "def self.name" and the path of "class A::B".
  if (!pre.empty() && pre.back() == '.') pre = drop_last_word(pre.substr(0, pre.size() - 1));
  while (ends_with(pre, "::")) pre = drop_last_word(pre.substr(0, pre.size() - 2));
  const std::string_view kw = last_word(pre);
  if (is_word(kw, {"def", "class", "module"}) && only_modifiers(drop_last_word(pre))) {
    if (kw != "def" && !is_upper(line[col])) return {};
    if (kw == "def" && col + len < line.size() && line[col + len] == '.') return {};  // a receiver
    // "class Net::HTTP" defines HTTP inside Net, which is defined elsewhere.
    if (kw != "def" && line.substr(col + len, 2) == "::") return {};
    // "def get?" and "def save!" define other methods than "get" and "save"
    // (a setter, "def name=(v)", goes with its attribute).
    if (kw == "def" && col + len < line.size() &&
        (line[col + len] == '?' || line[col + len] == '!'))
      return {};
    return definition_end(i, src.extents ? depth_block_end(src.scopes, i) : i);
  }
  const std::string_view post = trim(line.substr(col + len));
  if (pre.empty() && is_upper(line[col]) && scope != Scope::Body && !post.empty() &&
      post[0] == '=' &&
      (post.size() == 1 || (post[1] != '=' && post[1] != '~' && post[1] != '>'))) {
    if (!src.extents) return definition_end(i, i);
    const size_t end = statement_end(src, i, col + len);
    const size_t close = depth_block_end(src.scopes, i);
    return definition_end(i, close > end ? close : end);
  }
  if (col > 0 && line[col - 1] == ':' && scope != Scope::Body &&
      (starts_word(pre, "attr_reader") || starts_word(pre, "attr_writer") ||
       starts_word(pre, "attr_accessor")))
    return definition_end(i, src.extents ? statement_end(src, i, col) : i);
  return {};
}

bool ruby_outline(const SourceText& src, size_t i) {
  std::string_view t = trim((*src.lines)[i]);
  if (t.empty() || src.scopes[i].scope == Scope::Body) return false;
  for (;;) {
    size_t e = 0;
    while (e < t.size() && is_ident_byte(t[e])) ++e;
    if (e == 0 || !ruby_modifier(t.substr(0, e)) || e == t.size()) break;
    t = trim(t.substr(e));
  }
  size_t e = 0;
  while (e < t.size() && is_ident_byte(t[e])) ++e;
  const std::string_view w = t.substr(0, e);
  if (is_word(w, {"def", "class", "module", "attr_reader", "attr_writer", "attr_accessor",
                  "include", "extend", "prepend", "require", "require_relative", "autoload",
                  "alias", "alias_method"}))
    return true;
  if (!w.empty() && is_upper(w[0])) {
    const std::string_view post = trim(t.substr(e));
    return !post.empty() && post[0] == '=' &&
           (post.size() == 1 || (post[1] != '=' && post[1] != '~' && post[1] != '>'));
  }
  return false;
}

}  // namespace zub::code
