// Makefiles: rules (a target's block is its rule line and its recipe),
// variables set with "=", ":=", "::=", "?=" or "!=" (with continuation
// lines), "define" blocks and includes. Appends ("+=") and the special
// targets (.PHONY, .SUFFIXES, ...) define nothing new and are not listed.
#include "code/doc_lines.h"
#include "code/languages.h"

namespace zub::code {

namespace {

enum class MakeKind : uint8_t { None, Rule, Variable, Define, Include, Conditional };

struct MakeLine {
  MakeKind kind = MakeKind::None;
  size_t from = 0, to = 0;  // the targets, or the variable's name
};

bool ends_continued(std::string_view l) {
  size_t k = l.size();
  while (k > 0 && is_space(l[k - 1])) --k;
  size_t slashes = 0;
  while (k > 0 && l[k - 1] == '\\') --k, ++slashes;
  return slashes % 2 == 1;
}

// Special targets: a dot and a capital letter (.PHONY, .DEFAULT_GOAL).
bool special(std::string_view targets) {
  const std::string_view t = trim(targets);
  return t.size() > 1 && t[0] == '.' && t[1] >= 'A' && t[1] <= 'Z';
}

MakeLine classify(std::string_view l) {
  if (l.empty() || l[0] == '\t') return {};
  size_t k = indent_of(l);
  if (k >= l.size() || l[k] == '#') return {};
  // Modifiers of an assignment.
  for (;;) {
    const std::string_view w = lead_word(l.substr(k));
    if ((w == "export" || w == "override" || w == "private") && k + w.size() < l.size() &&
        is_space(l[k + w.size()]))
      k += w.size();
    else
      break;
    while (k < l.size() && is_space(l[k])) ++k;
  }
  const std::string_view w = lead_word(l.substr(k));
  if (w == "include" || w == "-include" || w == "sinclude") return {MakeKind::Include, k, k};
  if (w == "define") {
    size_t b = k + w.size();
    while (b < l.size() && is_space(l[b])) ++b;
    size_t e = b;
    while (e < l.size() && !is_space(l[e])) ++e;
    return {MakeKind::Define, b, e};
  }
  if (w == "ifeq" || w == "ifneq" || w == "ifdef" || w == "ifndef" || w == "else" || w == "endif")
    return {MakeKind::Conditional, k, k};
  if (w == "endef" || w == "vpath" || w == "unexport") return {};
  int depth = 0;
  for (size_t j = k; j < l.size(); ++j) {
    const char c = l[j];
    if (c == '$' && j + 1 < l.size() && (l[j + 1] == '(' || l[j + 1] == '{')) {
      ++depth;
      ++j;
    } else if ((c == ')' || c == '}') && depth > 0) {
      --depth;
    } else if (depth > 0) {
      continue;
    } else if (c == '#') {
      return {};
    } else if (c == '=') {
      size_t e = j;
      if (e > k && (l[e - 1] == '?' || l[e - 1] == '!')) --e;
      if (e > k && l[e - 1] == '+') return {};
      const std::string_view name = trim(l.substr(k, e - k));
      if (name.empty() || name.find_first_of(" \t") != std::string_view::npos) return {};
      return {MakeKind::Variable, k, k + name.size()};
    } else if (c == ':') {
      size_t e = j + 1;
      while (e < l.size() && e < j + 3 && l[e] == ':') ++e;
      if (e < l.size() && l[e] == '=') {
        const std::string_view name = trim(l.substr(k, j - k));
        if (name.empty() || name.find_first_of(" \t") != std::string_view::npos) return {};
        return {MakeKind::Variable, k, k + name.size()};
      }
      if (j == k || special(l.substr(k, j - k))) return {};
      return {MakeKind::Rule, k, j};
    }
  }
  return {};
}

// Lines of a rule's recipe (after a tab) and of a define's body say nothing
// of the structure; lines continuing the one above are `inner`.
std::vector<LineScope> scan(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  bool in_rule = false, continued = false;
  int defines = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view l = lines[i];
    const bool was_continued = continued;
    continued = ends_continued(l);
    if (defines > 0) {
      out[i].dead = true;
      const std::string_view w = lead_word(trim(l));
      if (w == "endef") --defines;
      if (w == "define") ++defines;
      continue;
    }
    if (was_continued) {
      out[i].inner = true;
      out[i].dead = in_rule && !l.empty() && l[0] == '\t';
      continue;
    }
    if (!l.empty() && l[0] == '\t' && in_rule) {
      out[i].dead = true;
      continue;
    }
    const MakeLine m = classify(l);
    if (m.kind == MakeKind::Rule || (m.kind == MakeKind::None && !is_blank_line(l) &&
                                     trim(l)[0] != '#' && special(l.substr(0, l.find(':')))))
      in_rule = true;
    else if (m.kind == MakeKind::Variable || m.kind == MakeKind::Include ||
             m.kind == MakeKind::Define)
      in_rule = false;
    if (m.kind == MakeKind::Define) defines = 1;
  }
  return out;
}

// `col`..`col + len` is one whole word of the space-separated `l[from, to)`.
bool whole_item(std::string_view l, size_t from, size_t to, size_t col, size_t len) {
  if (col < from || col + len > to) return false;
  return (col == from || is_space(l[col - 1])) && (col + len == to || is_space(l[col + len]));
}

}  // namespace

std::vector<LineScope> make_scopes(const std::vector<std::string_view>& lines) {
  return scan(lines);
}

Head make_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t) {
  const std::vector<std::string_view>& lines = *src.lines;
  if (src.scopes[i].inner) return {};
  const std::string_view l = lines[i];
  const MakeLine m = classify(l);
  if (m.kind == MakeKind::None || !whole_item(l, m.from, m.to, col, len)) return {};
  size_t j = i + 1;
  if (m.kind == MakeKind::Rule) {
    // The recipe, with the blank and comment lines inside it.
    while (j < lines.size() && (src.scopes[j].dead || src.scopes[j].inner ||
                                is_blank_line(lines[j]) || trim(lines[j])[0] == '#'))
      ++j;
    return definition_end(i, last_filled(lines, i, j - 1, '#'));
  }
  if (m.kind == MakeKind::Define) {
    // The body and its "endef" are dead lines.
    while (j < lines.size() && src.scopes[j].dead) ++j;
    return definition_end(i, j - 1);
  }
  if (m.kind != MakeKind::Variable) return {};
  while (j < lines.size() && src.scopes[j].inner) ++j;
  return definition_end(i, j - 1);
}

bool make_outline(const SourceText& src, size_t i) {
  const MakeKind k = classify((*src.lines)[i]).kind;
  return k != MakeKind::None && k != MakeKind::Conditional;
}

}  // namespace zub::code
