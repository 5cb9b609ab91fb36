// Lua: function statements (global, local, on a table path with "." or
// ":") and functions assigned to names or table fields; for outline also
// the file-level require lines. Blocks close with "end" (or "until"): a scan
// of its own counts function, if, do and repeat against them, outside
// strings and comments (long brackets included).
#include "code/languages.h"

#include "code/block_end.h"
#include "code/head_scan.h"

namespace zub::code {

namespace {

enum class Block : unsigned char { Function, Other };

// At "[": the level of a long bracket "[==[" that opens here, or -1.
int long_bracket(std::string_view l, size_t k) {
  if (k >= l.size() || l[k] != '[') return -1;
  size_t e = k + 1;
  while (e < l.size() && l[e] == '=') ++e;
  return e < l.size() && l[e] == '[' ? static_cast<int>(e - k - 1) : -1;
}

// The offset just past the "]==]" of `level` from `k` on, or npos.
size_t long_close(std::string_view l, size_t k, int level) {
  for (size_t e = l.find(']', k); e != std::string_view::npos; e = l.find(']', e + 1)) {
    size_t q = e + 1;
    while (q < l.size() && l[q] == '=') ++q;
    if (q < l.size() && l[q] == ']' && static_cast<int>(q - e - 1) == level) return q + 1;
  }
  return std::string_view::npos;
}

}  // namespace

std::vector<LineScope> lua_scan(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  std::vector<Block> stack;
  size_t functions = 0;
  int level = -1;   // of the long bracket being read, or -1
  int loop_do = 0;  // while and for heads waiting for their "do", perhaps on a later line
  for (size_t li = 0; li < lines.size(); ++li) {
    const std::string_view l = lines[li];
    out[li] = {functions > 0 ? Scope::Body : Scope::Top, level >= 0, false,
               static_cast<uint32_t>(stack.size())};
    size_t i = 0;
    if (level >= 0) {
      const size_t e = long_close(l, 0, level);
      if (e == std::string_view::npos) continue;
      level = -1;
      i = e;
    }
    const size_t n = l.size();
    while (i < n) {
      const char c = l[i];
      if (c == '-' && i + 1 < n && l[i + 1] == '-') {
        const int lv = long_bracket(l, i + 2);
        if (lv < 0) break;
        const size_t e = long_close(l, i + 2, lv);
        if (e == std::string_view::npos) {
          level = lv;
          break;
        }
        i = e;
        continue;
      }
      if (c == '[') {
        const int lv = long_bracket(l, i);
        if (lv >= 0) {
          const size_t e = long_close(l, i, lv);
          if (e == std::string_view::npos) {
            level = lv;
            break;
          }
          i = e;
          continue;
        }
      }
      if (c == '"' || c == '\'') {
        for (++i; i < n && l[i] != c; ++i)
          if (l[i] == '\\') ++i;
        ++i;
        continue;
      }
      if (!is_ident_byte(c) || (c >= '0' && c <= '9')) {
        ++i;
        continue;
      }
      size_t e = i;
      while (e < n && is_ident_byte(l[e])) ++e;
      const std::string_view w = l.substr(i, e - i);
      const bool field = i > 0 && (l[i - 1] == '.' || l[i - 1] == ':');
      i = e;
      if (field) continue;
      if (w == "function") {
        stack.push_back(Block::Function);
        ++functions;
      } else if (w == "if" || w == "repeat") {
        stack.push_back(Block::Other);
      } else if (w == "while" || w == "for") {
        ++loop_do;
        stack.push_back(Block::Other);
      } else if (w == "do") {
        if (loop_do > 0)
          --loop_do;
        else
          stack.push_back(Block::Other);
      } else if ((w == "end" || w == "until") && !stack.empty()) {
        if (stack.back() == Block::Function) --functions;
        stack.pop_back();
      }
    }
  }
  return out;
}

namespace {

// `pre` without the table path before a name ("M.sub." or "obj:").
std::string_view drop_path(std::string_view pre) {
  while (!pre.empty() && (pre.back() == '.' || pre.back() == ':')) {
    pre.remove_suffix(1);
    if (last_word(pre).empty()) return "?";
    pre = drop_last_word(pre);
  }
  return pre;
}

// The first offset from `from` on in the code of `l` where `at(l, k)`
// gives an offset (strings and a "--" comment passed over), or npos. `at`
// may move `k` past what it has read.
template <class At>
size_t in_code(std::string_view l, size_t from, At at) {
  for (size_t k = from; k < l.size(); ++k) {
    const char c = l[k];
    if (c == '"' || c == '\'') {
      for (++k; k < l.size() && l[k] != c; ++k)
        if (l[k] == '\\') ++k;
    } else if (c == '-' && k + 1 < l.size() && l[k + 1] == '-') {
      return std::string_view::npos;
    } else if (const size_t hit = at(l, k); hit != std::string_view::npos) {
      return hit;
    }
  }
  return std::string_view::npos;
}

// Offset of the keyword "function" in the code of `l` from `from` on
// ("x.function" is a field), or npos.
size_t function_word(std::string_view l, size_t from) {
  return in_code(l, from, [](std::string_view t, size_t& k) {
    if (!is_ident_byte(t[k])) return std::string_view::npos;
    size_t e = k;
    while (e < t.size() && is_ident_byte(t[e])) ++e;
    const size_t start = k;
    k = e - 1;
    if (t.substr(start, e - start) == "function" &&
        (start == 0 || (t[start - 1] != '.' && t[start - 1] != ':')))
      return start;
    return std::string_view::npos;
  });
}

// Offset of the first assignment "=" in the code of `l` (not "==", "~=",
// "<=", ">="), or npos.
size_t assignment(std::string_view l) {
  return in_code(l, 0, [](std::string_view t, size_t& k) {
    if (t[k] != '=') return std::string_view::npos;
    if (k + 1 < t.size() && t[k + 1] == '=') {
      ++k;
      return std::string_view::npos;
    }
    if (k > 0 && (t[k - 1] == '~' || t[k - 1] == '<' || t[k - 1] == '>'))
      return std::string_view::npos;
    return k;
  });
}

// `pre` is what may stand before a name that a statement assigns: nothing,
// "local", or the names before it in a list ("local ok," "a, b,").
bool assigned_name_list(std::string_view pre) {
  if (starts_word(pre, "local")) pre = trim(pre.substr(5));
  while (!pre.empty()) {
    if (pre.back() != ',') return false;
    pre = trim(pre.substr(0, pre.size() - 1));
    if (last_word(pre).empty()) return false;
    pre = drop_last_word(pre);
  }
  return true;
}

// The text after a name is "= function".
bool assigns_function(std::string_view post) {
  post = trim(post);
  if (post.empty() || post[0] != '=' || (post.size() > 1 && post[1] == '=')) return false;
  return starts_word(trim(post.substr(1)), "function");
}

// After the name that ends at `end`, the rest of a list of names and an
// assignment whose value holds a function: "local co = coroutine.create(
// function()", "local ok, res = xpcall(function()", "local opt = {"x",
// function(". Such a name is bound to a function as much as "= function".
bool holds_function(std::string_view line, size_t end) {
  size_t k = end;
  for (;;) {
    while (k < line.size() && is_space(line[k])) ++k;
    if (k >= line.size() || line[k] != ',') break;
    ++k;
    while (k < line.size() && is_space(line[k])) ++k;
    const size_t w = k;
    while (k < line.size() && is_ident_byte(line[k])) ++k;
    if (k == w) return false;
  }
  if (k >= line.size() || line[k] != '=' || (k + 1 < line.size() && line[k + 1] == '='))
    return false;
  return function_word(line, k + 1) != std::string_view::npos;
}

}  // namespace

Head lua_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = drop_path(trim(line.substr(0, col)));
  // In "function path.isdir(P)" the name is isdir: "path" is the table.
  const bool on_path =
      col + len < line.size() && (line[col + len] == '.' || line[col + len] == ':');
  const bool statement = (pre == "function" || pre == "local function") && !on_path;
  const bool assigned = (pre.empty() || pre == "local") && assigns_function(line.substr(col + len));
  if (!statement && !assigned && !(assigned_name_list(pre) && holds_function(line, col + len)))
    return {};
  return definition_end(i, src.extents ? depth_block_end(src.scopes, i) : i);
}

bool lua_outline(const SourceText& src, size_t i) {
  const std::string_view t = trim((*src.lines)[i]);
  if (t.empty()) return false;
  if (starts_word(t, "function") || starts_word(t, "local function")) return true;
  // Functions bound to names or fields, wherever they stand (modules often
  // build everything inside one function); require lines at file level.
  // So is a function in the value of an assignment, a table field or a
  // call's argument ("t[k] = function", "local co = coroutine.wrap(
  // function", "setmetatable(M, {__call = function").
  const size_t eq = assignment(t);
  if (eq != std::string_view::npos && function_word(t, eq + 1) != std::string_view::npos)
    return true;
  std::string_view r = starts_word(t, "local") ? trim(t.substr(5)) : t;
  size_t e = 0;
  while (e < r.size() && (is_ident_byte(r[e]) || r[e] == '.' || r[e] == ':')) ++e;
  if (e == 0) return false;
  const std::string_view post = trim(r.substr(e));
  return src.scopes[i].scope == Scope::Top && starts_with(post, "=") &&
         starts_word(trim(post.substr(1)), "require");
}

}  // namespace zub::code
