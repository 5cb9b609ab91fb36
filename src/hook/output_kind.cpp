#include "hook/output_kind.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/text.h"
#include "hook/shell_line.h"

namespace zub {

namespace {

using Words = std::vector<std::string>;

bool one_of(std::string_view w, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), w) != names.end();
}

// The first word after the program that is not an option.
std::string_view first_operand(const Words& w, size_t from = 1) {
  for (size_t i = from; i < w.size(); ++i)
    if (w[i].empty() || w[i][0] != '-') return w[i];
  return {};
}

bool has_word(const Words& w, std::initializer_list<std::string_view> names) {
  return std::any_of(w.begin() + 1, w.end(),
                     [&](const std::string& x) { return one_of(x, names); });
}

// Non-option words after the program, beyond the first `skip` of them
// (sed's and awk's script): the files the stage reads.
size_t file_operands(const Words& w, size_t skip) {
  size_t n = 0, seen = 0;
  for (size_t i = 1; i < w.size(); ++i) {
    const std::string& x = w[i];
    if (x.size() > 1 && x[0] == '-') {
      // sed -e SCRIPT and awk -f FILE carry the script in an option.
      if (x == "-e" || x == "-f" || x == "--expression") skip = 0;
      if (x == "-n" || x == "-c" || x == "-e" || x == "-f") ++i;  // their value
      continue;
    }
    if (seen++ < skip) continue;
    ++n;
  }
  return n;
}

// A script or scripts name for a test, build or check step.
bool is_build_script(std::string_view s) {
  for (std::string_view k : {"test", "build", "lint", "check", "typecheck", "tsc", "compile", "ci",
                             "e2e", "jest", "vitest", "mypy", "format:check"})
    if (starts_with(s, k) && (s.size() == k.size() || s[k.size()] == ':' || s[k.size()] == '-'))
      return true;
  return false;
}

bool is_package_manager(std::string_view p) { return one_of(p, {"npm", "pnpm", "yarn", "bun"}); }

OutputKind python_module(std::string_view module) {
  if (one_of(module, {"pytest", "unittest", "py_compile", "compileall", "mypy", "pylint", "flake8",
                      "ruff", "black", "pyright", "tox", "nox", "doctest"}))
    return OutputKind::kBuild;
  if (module == "pip") return OutputKind::kInstall;
  return OutputKind::kOther;
}

// The kind of one stage that is the head of its pipeline (or reads files).
OutputKind stage_kind(const Words& w) {
  const std::string_view p = program_name(w[0]);
  const std::string_view sub = first_operand(w);

  if (p == "zub") return OutputKind::kContent;
  if (one_of(p, {"cat", "nl", "less", "more", "bat", "batcat", "head", "jq", "yq", "tac", "xxd",
                 "hexdump", "od"}))
    return OutputKind::kContent;
  if (p == "tail") {
    for (size_t i = 1; i < w.size(); ++i)
      if (ends_with(w[i], ".log")) return OutputKind::kLogs;
    return OutputKind::kContent;
  }
  if (one_of(p, {"sed", "gsed"})) {
    const bool in_place = std::any_of(w.begin() + 1, w.end(), [](const std::string& x) {
      return starts_with(x, "-i") || starts_with(x, "--in-place");
    });
    return in_place ? OutputKind::kOther : OutputKind::kContent;
  }
  if (one_of(p, {"awk", "gawk", "mawk"})) return OutputKind::kContent;

  if (p == "git") {
    // git's own options before the subcommand (-C dir, -c k=v, --no-pager).
    size_t i = 1;
    while (i < w.size() && w[i].size() > 1 && w[i][0] == '-')
      i += (w[i] == "-C" || w[i] == "-c") ? size_t{2} : size_t{1};
    const std::string_view g = i < w.size() ? std::string_view(w[i]) : "";
    if (g == "show") {
      for (size_t k = i + 1; k < w.size(); ++k)
        if (!w[k].empty() && w[k][0] != '-' && w[k].find(':') != std::string::npos)
          return OutputKind::kContent;  // REV:PATH prints the file
      return OutputKind::kDiff;
    }
    if (one_of(g, {"log", "diff", "whatchanged", "format-patch", "range-diff"}))
      return OutputKind::kDiff;
    if (g == "stash" && has_word(w, {"show"})) return OutputKind::kDiff;
    if (g == "grep") return OutputKind::kSearch;
    if (g == "cat-file" || g == "blame") return OutputKind::kContent;
    return OutputKind::kOther;
  }
  if (one_of(p, {"diff", "colordiff"})) return OutputKind::kDiff;

  if (one_of(p, {"grep", "egrep", "fgrep", "rg", "ag", "ack", "ack-grep", "zgrep"}))
    return OutputKind::kSearch;

  if (one_of(p, {"journalctl"})) return OutputKind::kLogs;
  if (one_of(p, {"docker", "podman", "kubectl", "docker-compose", "oc"})) {
    if (has_word(w, {"logs"})) return OutputKind::kLogs;
    if (has_word(w, {"build"})) return OutputKind::kBuild;
    return OutputKind::kOther;
  }

  // Installs before builds: `npm install` is a package manager's too.
  if (is_package_manager(p) && one_of(sub, {"install", "i", "ci", "add", "update", "upgrade"}))
    return OutputKind::kInstall;
  if (one_of(p, {"pip", "pip3"}) && one_of(sub, {"install", "download", "wheel"}))
    return OutputKind::kInstall;
  if (p == "uv" && (one_of(sub, {"add", "sync", "pip", "lock"}))) return OutputKind::kInstall;
  if (one_of(p, {"apt-get", "apt", "aptitude", "dnf", "yum", "apk", "brew", "conda", "mamba", "gem",
                 "bundle", "composer"}) &&
      one_of(sub, {"install", "update", "upgrade", "add", "require", "dist-upgrade"}))
    return OutputKind::kInstall;
  if (p == "poetry" && one_of(sub, {"install", "add", "update", "lock"}))
    return OutputKind::kInstall;
  if (p == "cargo" && one_of(sub, {"fetch", "install", "update", "add"}))
    return OutputKind::kInstall;
  if (p == "go" && (sub == "get" || (sub == "mod" && has_word(w, {"download", "tidy"}))))
    return OutputKind::kInstall;

  // Test, build, type-check and lint runs.
  if (one_of(
          p,
          {"make",   "gmake",         "ninja",      "ctest",    "meson",   "pytest",  "py.test",
           "tox",    "nox",           "tsc",        "vue-tsc",  "jest",    "vitest",  "playwright",
           "mocha",  "ava",           "eslint",     "ruff",     "mypy",    "pyright", "flake8",
           "pylint", "golangci-lint", "shellcheck", "rubocop",  "rspec",   "phpunit", "javac",
           "gcc",    "g++",           "cc",         "c++",      "clang",   "clang++", "rustc",
           "mvn",    "mvnw",          "gradle",     "gradlew",  "kotlinc", "scalac",  "swiftc",
           "ghc",    "biome",         "stylelint",  "hadolint", "prove",   "bazel",   "bazelisk"}))
    return OutputKind::kBuild;
  if (starts_with(p, "gcc-") || starts_with(p, "g++-") || starts_with(p, "clang-") ||
      starts_with(p, "clang++-"))
    return OutputKind::kBuild;
  if (p == "cmake") return OutputKind::kBuild;
  if (one_of(p, {"cargo", "go", "dotnet", "swift", "zig", "deno"}) &&
      !one_of(sub, {"", "version", "help", "env", "fmt", "new", "init", "doc", "--version"}))
    return OutputKind::kBuild;
  if (p == "node" && has_word(w, {"--test", "--check", "-c"})) return OutputKind::kBuild;
  if (one_of(p, {"python", "python3"}) || starts_with(p, "python3.")) {
    for (size_t i = 1; i + 1 < w.size(); ++i)
      if (w[i] == "-m") return python_module(w[i + 1]);
    if (has_word(w, {"test", "build"})) return OutputKind::kBuild;  // setup.py test
    return OutputKind::kOther;
  }
  if (is_package_manager(p)) {
    if (sub == "run" || sub == "run-script") {
      const std::string_view script = first_operand(w, 2);
      return is_build_script(script) ? OutputKind::kBuild : OutputKind::kOther;
    }
    if (sub == "t" || sub == "tst" || is_build_script(sub) ||
        one_of(sub, {"tsc", "eslint", "jest", "vitest", "playwright", "mocha", "prettier"}))
      return OutputKind::kBuild;
    return OutputKind::kOther;
  }
  if (p == "prettier" && has_word(w, {"--check", "-c"})) return OutputKind::kBuild;
  return OutputKind::kOther;
}

// A stage reading a pipe that only cuts, sorts or filters what came in.
bool is_stream_filter(const Words& w) {
  const std::string_view p = program_name(w[0]);
  if (one_of(p, {"head", "tail", "cat", "less", "more", "nl", "tee", "sort", "uniq", "wc", "cut",
                 "tr", "column", "grep", "egrep", "fgrep", "rg", "ag", "ack"}))
    return true;
  if (one_of(p, {"sed", "gsed"})) return file_operands(w, 1) == 0;
  if (one_of(p, {"awk", "gawk", "mawk"})) return file_operands(w, 1) == 0;
  return false;
}

// Higher wins when the stages of a line disagree.
int weight(OutputKind k) {
  switch (k) {
    case OutputKind::kContent: return 7;
    case OutputKind::kBuild: return 6;
    case OutputKind::kDiff: return 5;
    case OutputKind::kLogs: return 4;
    case OutputKind::kSearch: return 3;
    case OutputKind::kInstall: return 2;
    case OutputKind::kOther: return 1;
  }
  return 0;
}

}  // namespace

OutputKind output_kind(std::string_view command_line) {
  OutputKind best = OutputKind::kOther;
  for (const ShellStage& st : shell_stages(command_line)) {
    const std::string_view p = program_name(st.words[0]);
    if (one_of(p, {"cd", "pushd", "popd", "echo", "printf", "true", "false", "set", "export",
                   "source", ".", "sleep", "for", "case", "test", "[", "[["}))
      continue;
    if (st.piped_in && is_stream_filter(st.words)) continue;
    const OutputKind k = stage_kind(st.words);
    if (weight(k) > weight(best)) best = k;
  }
  return best;
}

std::string_view output_kind_name(OutputKind kind) {
  switch (kind) {
    case OutputKind::kContent: return "content";
    case OutputKind::kBuild: return "build";
    case OutputKind::kDiff: return "diff";
    case OutputKind::kLogs: return "logs";
    case OutputKind::kSearch: return "search";
    case OutputKind::kInstall: return "install";
    case OutputKind::kOther: return "other";
  }
  return "other";
}

}  // namespace zub
