#include "nav/brief.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>

#include "base/number.h"
#include "base/path_error.h"
#include "base/process.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "nav/map.h"

namespace zub {

namespace {

constexpr size_t kGitLineBytes = 120;
constexpr size_t kDirtyLines = 15;
constexpr uint64_t kMapRows = 12;
constexpr size_t kNamesPerLine = 6;

// Git is told not to run any program that a repository's own configuration
// names: a repository whose .git directory came from someone else (an
// unpacked archive, a bare repository inside a checkout) would otherwise run
// any command of its choosing through these read-only queries.
//   core.fsmonitor        `status` runs the monitor command;
//   core.hooksPath        no hook is found anywhere;
//   log.showSignature     `log` runs gpg.program on signed commits;
//   status.submoduleSummary  no `git submodule summary`;
//   filter.<driver>.*     `status` runs clean filters (or a long-running
//                         filter process) on files whose stat data changed;
//                         every driver defined outside the user's own
//                         (system, global, command-line) settings is emptied.
// Inside a submodule `status` would run a second git with the submodule's
// own configuration and filters, which are not listed here; so submodules
// count as changed only when their checked-out commit moved, not for edits
// inside them.
// Diff drivers, textconv and external diff run only for patches, which no
// query here produces; the pager is off; transports are all refused, so the
// lazy fetch of a partial clone cannot start ssh or a remote helper either;
// and no prompt is ever shown.
using GitConfig = std::vector<std::pair<std::string, std::string>>;

const GitConfig& fixed_git_config() {
  // An empty monitor means none to every git version; before 2.35.2 the
  // word "false" was taken for the name of a program to run.
  static const GitConfig config = {{"core.fsmonitor", ""},
                                   {"core.hooksPath", "/dev/null"},
                                   {"log.showSignature", "false"},
                                   {"status.submoduleSummary", "false"}};
  return config;
}

// The environment of every git query. Settings go through the numbered
// GIT_CONFIG_* variables rather than -c, so that no name (a driver may be
// called "a=b") can be misread; entries already in the environment keep
// their numbers ahead of ours.
std::vector<std::string> git_environment(const GitConfig& config) {
  // A snapshot must not take the index lock that `status` would otherwise
  // grab to refresh stat data: the agent's own git commands could then fail.
  std::vector<std::string> env = {"GIT_OPTIONAL_LOCKS=0", "GIT_TERMINAL_PROMPT=0",
                                  "GIT_ALLOW_PROTOCOL="};
  uint64_t first = 0;
  if (const char* count = std::getenv("GIT_CONFIG_COUNT")) first = parse_u64(count).value_or(0);
  uint64_t n = first;
  for (const auto& [key, value] : config) {
    env.push_back("GIT_CONFIG_KEY_" + std::to_string(n) + "=" + key);
    env.push_back("GIT_CONFIG_VALUE_" + std::to_string(n) + "=" + value);
    ++n;
  }
  env.push_back("GIT_CONFIG_COUNT=" + std::to_string(n));
  return env;
}

// Runs `git -C root args...`; yields its raw standard output for a zero exit.
std::optional<std::string> run_git(const std::string& root, const std::vector<std::string>& env,
                                   std::initializer_list<const char*> args) {
  std::vector<std::string> argv{"git", "--no-pager", "-C", root};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessOptions opts;
  opts.env_set = env;
  ProcessResult r = run_process(argv, opts);
  if (!r.started || !r.exited || r.exit_code != 0) return std::nullopt;
  return std::move(r.out);
}

// The settings for one root: the fixed ones, and every filter driver that
// the repository (not the user) defines emptied.
GitConfig repository_git_config(const std::string& root) {
  GitConfig config = fixed_git_config();
  auto listing = run_git(root, git_environment(config),
                         {"config", "--show-scope", "-z", "--name-only", "--get-regexp",
                          "^filter\\."});
  if (!listing) return config;
  // NUL-separated pairs: scope, then "filter.<driver>.<key>".
  std::vector<std::string> drivers;
  size_t pos = 0;
  while (pos < listing->size()) {
    const size_t scope_end = listing->find('\0', pos);
    if (scope_end == std::string::npos) break;
    const size_t name_end = std::min(listing->find('\0', scope_end + 1), listing->size());
    const std::string_view scope(listing->data() + pos, scope_end - pos);
    const std::string_view name(listing->data() + scope_end + 1, name_end - scope_end - 1);
    pos = name_end + 1;
    if (scope == "system" || scope == "global" || scope == "command") continue;
    const size_t last_dot = name.rfind('.');
    if (name.substr(0, 7) != "filter." || last_dot == std::string_view::npos || last_dot < 7)
      continue;
    std::string driver(name.substr(7, last_dot - 7));
    if (std::find(drivers.begin(), drivers.end(), driver) == drivers.end())
      drivers.push_back(std::move(driver));
  }
  for (const std::string& d : drivers) {
    for (const char* key : {"clean", "smudge", "process"})
      config.emplace_back("filter." + d + "." + key, "");
    config.emplace_back("filter." + d + ".required", "false");
  }
  return config;
}

// A query's standard output (lossily decoded, trailing white space removed),
// only for a zero exit with non-blank output.
std::optional<std::string> git_query(const std::string& root, const std::vector<std::string>& env,
                                     std::initializer_list<const char*> args) {
  auto out = run_git(root, env, args);
  if (!out) return std::nullopt;
  std::string text = decode_lossy(*out);
  text.resize(trim_ws_end(text).size());
  if (is_blank(text)) return std::nullopt;
  return text;
}

// Lines separated by line feeds; the trimmed text has no empty last line.
std::vector<std::string_view> lf_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (true) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) {
      lines.push_back(text.substr(pos));
      return lines;
    }
    lines.push_back(text.substr(pos, nl - pos));
    pos = nl + 1;
  }
}

void append_git_line(std::string& s, std::string_view line) {
  s += "  ";
  s += byte_cut(line, kGitLineBytes);
  s += "\n";
}

// The visible names at the top of `root`, sorted bytewise; dot names are
// hidden except the example environment file that documents setup.
std::vector<std::string> top_level_names(const std::string& root) {
  std::vector<std::string> names;
  DIR* d = ::opendir(root.c_str());
  if (d == nullptr) return names;
  while (struct dirent* e = ::readdir(d)) {
    std::string_view raw(e->d_name);
    if (raw == "." || raw == "..") continue;
    std::string name = is_valid_utf8(raw) ? std::string(raw) : decode_lossy(raw);
    if (!name.empty() && name[0] == '.' && name != ".env.example") continue;
    names.push_back(std::move(name));
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::string brief_snapshot(const std::string& root, Output& out) {
  std::string s = "== " + root + " ==\n";
  const std::vector<std::string> env = git_environment(repository_git_config(root));
  if (auto branch = git_query(root, env, {"rev-parse", "--abbrev-ref", "HEAD"}))
    s += "branch: " + *branch + "\n";
  if (auto changes = git_query(root, env, {"status", "--porcelain", "--ignore-submodules=dirty"})) {
    std::vector<std::string_view> lines = lf_lines(*changes);
    s += "dirty: " + std::to_string(lines.size()) + " files\n";
    for (size_t i = 0; i < lines.size() && i < kDirtyLines; ++i) append_git_line(s, lines[i]);
    if (lines.size() > kDirtyLines)
      s += "  … +" + std::to_string(lines.size() - kDirtyLines) + "\n";
  } else if (git_query(root, env, {"rev-parse", "--git-dir"})) {
    s += "dirty: clean\n";
  }
  if (auto log = git_query(root, env, {"log", "--oneline", "-8"})) {
    s += "recent:\n";
    for (std::string_view line : lf_lines(*log)) append_git_line(s, line);
  }
  s += "--\n";
  s += map_report({root}, kMapRows, out).text;
  s += "--\ntop-level:\n";
  std::vector<std::string> names = top_level_names(root);
  for (size_t i = 0; i < names.size(); i += kNamesPerLine) {
    s += "  ";
    for (size_t j = i; j < names.size() && j < i + kNamesPerLine; ++j) {
      if (j > i) s += "  ";
      s += names[j];
    }
    s += "\n";
  }
  return s;
}

int cmd_brief(const std::vector<std::string>& roots, Output& out) {
  bool failed = false;
  for (const std::string& root : roots) {
    struct stat st;
    if (::stat(root.c_str(), &st) != 0) {
      const int err = errno;
      out.write_err("zub: " + root + ": " + os_error_text(err) + "\n");
      failed = true;
      continue;
    }
    out.write_out(brief_snapshot(root, out));
  }
  return failed ? 2 : 0;
}

}  // namespace zub
