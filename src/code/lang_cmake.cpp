// CMake: function() and macro() definitions (to their endfunction() or
// endmacro()), the targets of add_executable, add_library and
// add_custom_target, option() and cache variables (set(... CACHE ...)).
// Command names are read without case; the name defined is the first
// argument.
#include "code/doc_lines.h"
#include "code/languages.h"

namespace zub::code {

namespace {

enum class Command : uint8_t { None, Function, Macro, Target, Option, Set, EndFunction, EndMacro };

// The command that line `l` starts, with the offset just past its "(".
Command command_at(std::string_view l, size_t* open) {
  const size_t k = indent_of(l);
  size_t e = k;
  while (e < l.size() && (is_ident_byte(l[e]) && l[e] != '$')) ++e;
  size_t p = e;
  while (p < l.size() && is_space(l[p])) ++p;
  if (e == k || p >= l.size() || l[p] != '(') return Command::None;
  *open = p + 1;
  const std::string_view w = l.substr(k, e - k);
  if (equals_nocase(w, "function")) return Command::Function;
  if (equals_nocase(w, "macro")) return Command::Macro;
  if (equals_nocase(w, "endfunction")) return Command::EndFunction;
  if (equals_nocase(w, "endmacro")) return Command::EndMacro;
  if (equals_nocase(w, "option")) return Command::Option;
  if (equals_nocase(w, "set")) return Command::Set;
  if (equals_nocase(w, "add_executable") || equals_nocase(w, "add_library") ||
      equals_nocase(w, "add_custom_target"))
    return Command::Target;
  return Command::None;
}

// Last line of the command that starts on line `i`: the lines after it
// that begin inside its parentheses.
size_t command_end(const SourceText& src, size_t i) {
  size_t j = i;
  while (j + 1 < src.lines->size() && src.scopes[j + 1].inner) ++j;
  return j;
}

// The words of `l` that hold the whole word CACHE (a cache variable).
bool has_cache(std::string_view l) {
  for (size_t at = l.find("CACHE"); at != std::string_view::npos; at = l.find("CACHE", at + 1))
    if ((at == 0 || !is_ident_byte(l[at - 1])) && (at + 5 == l.size() || !is_ident_byte(l[at + 5])))
      return true;
  return false;
}

bool listed(const SourceText& src, size_t i, Command c) {
  if (c == Command::Set) {
    const size_t e = command_end(src, i);
    for (size_t j = i; j <= e; ++j)
      if (has_cache((*src.lines)[j])) return true;
    return false;
  }
  return c != Command::None && c != Command::EndFunction && c != Command::EndMacro;
}

}  // namespace

// Lines that start inside a quoted string, a bracket argument "[[...]]" or
// a bracket comment "#[[...]]" are dead; lines that start inside a
// command's parentheses are inner.
std::vector<LineScope> cmake_scopes(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  int depth = 0;
  bool quoted = false;
  size_t bracket = 0;  // the "=" count + 1 of an open bracket, 0 when none
  for (size_t li = 0; li < lines.size(); ++li) {
    const std::string_view l = lines[li];
    out[li].dead = quoted || bracket != 0;
    out[li].inner = depth > 0;
    for (size_t k = 0; k < l.size(); ++k) {
      const char c = l[k];
      if (bracket != 0) {
        if (c != ']') continue;
        size_t e = k + 1;
        while (e < l.size() && l[e] == '=') ++e;
        if (e < l.size() && l[e] == ']' && e - k == bracket) {
          bracket = 0;
          k = e;
        }
      } else if (quoted) {
        if (c == '\\')
          ++k;
        else if (c == '"')
          quoted = false;
      } else if (c == '\\') {
        ++k;  // an escaped character, \" among them, outside quotes too
      } else if (c == '"') {
        quoted = true;
      } else if (c == '[' || (c == '#' && k + 1 < l.size() && l[k + 1] == '[')) {
        size_t e = c == '#' ? k + 2 : k + 1;
        while (e < l.size() && l[e] == '=') ++e;
        const size_t s = c == '#' ? k + 1 : k;
        if (e < l.size() && l[e] == '[') {
          bracket = e - s;
          k = e;
        } else if (c == '#') {
          break;
        }
      } else if (c == '#') {
        break;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')' && depth > 0) {
        --depth;
      }
    }
  }
  return out;
}

Head cmake_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t) {
  const std::vector<std::string_view>& lines = *src.lines;
  if (src.scopes[i].inner) {
    // The name may stand on the line after "add_library(".
    if (i == 0 || src.scopes[i - 1].inner) return {};
    size_t open = 0;
    const Command c = command_at(lines[i - 1], &open);
    if (!listed(src, i - 1, c) || !is_blank_line(lines[i - 1].substr(open))) return {};
    if (col != indent_of(lines[i])) return {};
    --i;
    const size_t e = command_end(src, i);
    return definition_end(i, e);
  }
  size_t open = 0;
  const std::string_view l = lines[i];
  const Command c = command_at(l, &open);
  if (!listed(src, i, c)) return {};
  size_t a = open;
  while (a < l.size() && is_space(l[a])) ++a;
  if (a < l.size() && l[a] == '"') ++a;
  if (col != a) return {};
  if (col + len < l.size() && !is_space(l[col + len]) && l[col + len] != ')' && l[col + len] != '"')
    return {};
  if (c != Command::Function && c != Command::Macro) return definition_end(i, command_end(src, i));
  // To the matching endfunction() or endmacro().
  const Command end = c == Command::Function ? Command::EndFunction : Command::EndMacro;
  int nested = 0;
  for (size_t j = i + 1; j < lines.size(); ++j) {
    if (src.scopes[j].dead || src.scopes[j].inner) continue;
    const Command d = command_at(lines[j], &open);
    if (d == c) ++nested;
    if (d == end && nested-- == 0) return definition_end(i, j);
  }
  return definition_end(i, command_end(src, i));
}

bool cmake_outline(const SourceText& src, size_t i) {
  size_t open = 0;
  return listed(src, i, command_at((*src.lines)[i], &open));
}

}  // namespace zub::code
