#include "hook/classify.h"

#include <algorithm>
#include <string>

#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

namespace {

// clang-format off
constexpr std::string_view kReadOnlyPrograms[] = {
    "ls",   "cat",  "head",  "tail",   "wc",     "grep",     "rg",      "find",
    "sed",  "awk",  "stat",  "file",   "du",     "df",       "date",    "echo",
    "pwd",  "which", "zub",  "jq",     "tree",   "nl",       "sort",    "uniq",
    "column", "printf", "basename", "dirname", "realpath",
};
// clang-format on
static_assert(std::size(kReadOnlyPrograms) == 29);

constexpr std::string_view kReadOnlyGitWords[] = {
    "status", "log", "diff", "branch", "show", "remote", "rev-parse", "ls-files",
};

// clang-format off
constexpr std::string_view kWriteMarkers[] = {
    "> ",          ">>",          "rm ",          "mv ",           "cp ",        "mkdir ",
    "npm ",        "yarn ",       "pnpm ",        "cargo build",   "cargo test", "docker run",
    "docker exec", "docker restart", "git add",   "git commit",    "git push",   "git merge",
    "git checkout", "tee ",       "curl -X",      "ssh ",          "kill ",
};
// clang-format on
static_assert(std::size(kWriteMarkers) == 23);

constexpr std::string_view kLoopWords[] = {"until ", "while ", "for ", "do "};

template <typename Table>
bool contains_any(std::string_view s, const Table& needles) {
  return std::any_of(std::begin(needles), std::end(needles),
                     [&](std::string_view n) { return contains(s, n); });
}

// Length of the first run of non-white-space characters of `s`.
size_t first_word_end(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    size_t next = i;
    char32_t cp = decode_next(s, next);
    if (is_white_space(cp)) break;
    i = next;
  }
  return i;
}

bool is_piece_separator(char c) { return c == ' ' || c == '/' || c == ';' || c == '|'; }

}  // namespace

bool is_single_sleep(std::string_view command) {
  return contains(command, "sleep ") && !contains_any(command, kLoopWords);
}

std::optional<std::string_view> program_word(std::string_view s) {
  while (true) {
    size_t lead = 0;
    while (lead < s.size() && (s[lead] == ' ' || s[lead] == '(')) ++lead;
    s.remove_prefix(lead);
    std::string_view spaced = trim_ws_start(s);
    std::string_view word = spaced.substr(0, first_word_end(spaced));
    if (word.empty()) return std::nullopt;
    if (word.find('=', 1) != std::string_view::npos) {
      s = spaced.substr(word.size());
      continue;
    }
    if (word == "env" || word == "export") {
      size_t space = s.find(' ');
      if (space == std::string_view::npos) return std::nullopt;
      s = s.substr(space + 1);
      continue;
    }
    s = spaced;
    break;
  }
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && is_piece_separator(s[i])) ++i;
    size_t j = i;
    while (j < s.size() && !is_piece_separator(s[j])) ++j;
    if (j > i) return s.substr(i, j - i);
  }
  return std::nullopt;
}

bool is_read_only(std::string_view command) {
  if (is_blank(command)) return false;
  if (contains_any(command, kWriteMarkers)) return false;
  std::optional<std::string_view> word = program_word(command);
  if (!word) return false;
  if (std::find(std::begin(kReadOnlyPrograms), std::end(kReadOnlyPrograms), *word) !=
      std::end(kReadOnlyPrograms))
    return true;
  if (*word != "git") return false;
  // `word` views into `command`, so the rest starts right after it.
  size_t after = static_cast<size_t>(word->data() + word->size() - command.data());
  return contains_any(command.substr(after), kReadOnlyGitWords);
}

}  // namespace zub
