// Dockerfiles: every instruction (its first line; continuation lines and
// here-documents are its body), stages ("FROM image AS name": a stage runs
// to the next FROM) and the variables of ARG and ENV.
#include "code/doc_lines.h"
#include "code/languages.h"

namespace zub::code {

namespace {

constexpr std::string_view kInstructions[] = {
    "from",    "run", "cmd",     "label",      "maintainer",  "expose",
    "env",     "add", "copy",    "entrypoint", "volume",      "user",
    "workdir", "arg", "onbuild", "stopsignal", "healthcheck", "shell",
};

// The instruction word that line `l` starts with, lower-cased; empty if none.
std::string_view instruction(std::string_view l) {
  const size_t k = indent_of(l);
  const std::string_view w = lead_word(l.substr(k));
  if (k + w.size() < l.size() && !is_space(l[k + w.size()])) return {};
  for (std::string_view i : kInstructions)
    if (equals_nocase(w, i)) return i;
  return {};
}

// The escape character set by a "# escape=`" directive at the top.
char escape_of(const std::vector<std::string_view>& lines) {
  for (std::string_view l : lines) {
    const std::string_view t = trim(l);
    if (t.empty() || t[0] != '#') break;
    const size_t at = t.find("escape=");
    if (at != std::string_view::npos && at + 7 < t.size()) return t[at + 7];
  }
  return '\\';
}

// The words a here-document ("<<EOF", "<<-EOF", "<<'EOF'") on line `l` ends
// with, in order.
std::vector<std::string_view> heredocs(std::string_view l) {
  std::vector<std::string_view> out;
  for (size_t at = l.find("<<"); at != std::string_view::npos; at = l.find("<<", at + 2)) {
    size_t k = at + 2;
    if (k < l.size() && l[k] == '-') ++k;
    if (k < l.size() && (l[k] == '"' || l[k] == '\'')) ++k;
    const std::string_view w = lead_word(l.substr(k));
    if (!w.empty()) out.push_back(w);
  }
  return out;
}

size_t instruction_end(const SourceText& src, size_t i) {
  size_t j = i;
  while (j + 1 < src.lines->size() && (src.scopes[j + 1].inner || src.scopes[j + 1].dead)) ++j;
  return j;
}

}  // namespace

// Continuation lines (and the comment and blank lines inside a continued
// instruction) are inner; here-document bodies are dead.
std::vector<LineScope> docker_scopes(const std::vector<std::string_view>& lines) {
  std::vector<LineScope> out(lines.size());
  const char esc = escape_of(lines);
  bool continued = false;
  std::vector<std::string_view> pending;  // here-documents still open
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view l = lines[i];
    if (!pending.empty()) {
      out[i].dead = true;
      if (trim(l) == pending.front()) pending.erase(pending.begin());
      continue;
    }
    const std::string_view t = trim(l);
    out[i].inner = continued;
    if (continued && (t.empty() || t[0] == '#')) continue;
    continued = !t.empty() && t.back() == esc;
    if (t.empty() || t[0] == '#') continue;
    if (!instruction(l).empty() || out[i].inner) pending = heredocs(l);
  }
  return out;
}

Head docker_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t) {
  const std::vector<std::string_view>& lines = *src.lines;
  if (src.scopes[i].inner) return {};
  const std::string_view l = lines[i];
  const std::string_view ins = instruction(l);
  if (ins.empty()) return {};
  const std::string_view before = trim(l.substr(0, col));
  if (ins == "from") {
    // FROM [--platform=...] image AS name
    if (!equals_nocase(last_word(before), "as") || last_word(before).size() != 2) return {};
    size_t j = instruction_end(src, i) + 1;
    for (; j < lines.size(); ++j)
      if (!src.scopes[j].inner && !src.scopes[j].dead && instruction(lines[j]) == "from") break;
    return definition_end(i, last_filled(lines, i, j - 1, '#'));
  }
  if (ins != "arg" && ins != "env") return {};
  // The first argument, or any NAME= of the line.
  const bool first = before.size() == ins.size();
  const bool assigned = col + len < l.size() && l[col + len] == '=' && is_space(l[col - 1]);
  if (!first && !assigned) return {};
  return definition_end(i, instruction_end(src, i));
}

bool docker_outline(const SourceText& src, size_t i) {
  return !instruction((*src.lines)[i]).empty();
}

}  // namespace zub::code
