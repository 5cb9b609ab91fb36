#include "hook/wrap_hint.h"

#include <algorithm>
#include <vector>

#include "base/ascii.h"
#include "base/shell_quote.h"
#include "base/text.h"
#include "hook/classify.h"

namespace zub {

namespace {

struct BuildTool {
  std::string_view program;
  // The word that must follow, one of them, or any word when empty.
  std::vector<std::string_view> then;
};

// clang-format off
const BuildTool kBuildTools[] = {
    {"make", {}},    {"ninja", {}},   {"pytest", {}}, {"tsc", {}},    {"eslint", {}},
    {"ruff", {}},    {"mypy", {}},    {"jest", {}},   {"vitest", {}}, {"mvn", {}},
    {"gradle", {}},
    {"cmake", {"--build"}},
    {"cargo", {"build", "test", "check", "clippy"}},
    {"go", {"build", "test", "vet"}},
    {"npm", {"test", "build", "lint", "run"}},
    {"pnpm", {"test", "build", "lint", "run"}},
    {"yarn", {"test", "build", "lint", "run"}},
    {"python", {"-m"}}, {"python3", {"-m"}},
    {"dotnet", {"build", "test"}},
};
// clang-format on

// The words after `word` (which views into `command`), split at white space.
std::vector<std::string_view> words_after(std::string_view command, std::string_view word) {
  const size_t after = static_cast<size_t>(word.data() + word.size() - command.data());
  std::vector<std::string_view> words;
  std::string_view rest = command.substr(after);
  while (words.size() < 2) {
    size_t i = 0;
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
    size_t j = i;
    while (j < rest.size() && !is_json_space(rest[j]) && rest[j] != ';' && rest[j] != '|' &&
           rest[j] != '&')
      ++j;
    if (j == i) break;
    words.push_back(rest.substr(i, j - i));
    rest.remove_prefix(j);
  }
  return words;
}

// What follows the program names the step: `npm run build` and
// `python -m pytest` name it one word further on.
bool names_build_step(const BuildTool& tool, const std::vector<std::string_view>& next) {
  if (tool.then.empty()) return true;
  if (next.empty()) return false;
  if (std::find(tool.then.begin(), tool.then.end(), next[0]) == tool.then.end()) return false;
  if (next[0] == "run")
    return next.size() > 1 && (next[1] == "test" || next[1] == "build" || next[1] == "lint");
  if (next[0] == "-m") return next.size() > 1 && (next[1] == "pytest" || next[1] == "unittest");
  return true;
}

// Bytes the shell takes as part of a plain word, outside any quoting.
bool is_plain_byte(char c) {
  return is_alnum(c) || std::string_view(" _./=:,+@%^-").find(c) != std::string_view::npos;
}

}  // namespace

std::optional<std::string_view> build_command_word(std::string_view command) {
  if (contains(command, "zub")) return std::nullopt;
  std::optional<std::string_view> word = program_word(command);
  if (!word) return std::nullopt;
  for (const BuildTool& tool : kBuildTools)
    if (tool.program == *word && names_build_step(tool, words_after(command, *word))) return word;
  return std::nullopt;
}

std::string wrap_form(std::string_view command) {
  std::string_view c = command;
  while (!c.empty() && is_json_space(c.front())) c.remove_prefix(1);
  while (!c.empty() && is_json_space(c.back())) c.remove_suffix(1);
  // Plain words that start with the program itself reach `zub wrap` as the
  // same argument list; an assignment or `env` in front would become the
  // program's name there, so those go through sh like everything else.
  const std::optional<std::string_view> word = program_word(c);
  const bool plain =
      word && word->data() == c.data() && std::all_of(c.begin(), c.end(), is_plain_byte);
  if (plain) return "zub wrap --diag -- " + std::string(c);
  return "zub wrap --diag -- sh -c " + shell_quoted(c);
}

}  // namespace zub
