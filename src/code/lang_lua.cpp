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

// The text after a name is "= function".
bool assigns_function(std::string_view post) {
  post = trim(post);
  if (post.empty() || post[0] != '=' || (post.size() > 1 && post[1] == '=')) return false;
  return starts_word(trim(post.substr(1)), "function");
}

}  // namespace

Head lua_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t) {
  const std::string_view line = (*src.lines)[i];
  const std::string_view pre = drop_path(trim(line.substr(0, col)));
  const bool statement = pre == "function" || pre == "local function";
  const bool assigned = (pre.empty() || pre == "local") && assigns_function(line.substr(col + len));
  if (!statement && !assigned) return {};
  return definition_end(i, src.extents ? depth_block_end(src.scopes, i) : i);
}

bool lua_outline(const SourceText& src, size_t i) {
  const std::string_view t = trim((*src.lines)[i]);
  if (t.empty()) return false;
  if (starts_word(t, "function") || starts_word(t, "local function")) return true;
  // Functions bound to names or fields, wherever they stand (modules often
  // build everything inside one function); require lines at file level.
  std::string_view r = starts_word(t, "local") ? trim(t.substr(5)) : t;
  size_t e = 0;
  while (e < r.size() && (is_ident_byte(r[e]) || r[e] == '.' || r[e] == ':')) ++e;
  if (e == 0) return false;
  const std::string_view post = trim(r.substr(e));
  if (assigns_function(post)) return true;
  return src.scopes[i].scope == Scope::Top && starts_with(post, "=") &&
         starts_word(trim(post.substr(1)), "require");
}

}  // namespace zub::code
