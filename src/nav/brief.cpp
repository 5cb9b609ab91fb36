#include "nav/brief.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "base/control_text.h"
#include "base/env.h"
#include "base/number.h"
#include "base/os_error.h"
#include "base/process.h"
#include "base/shown_path.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "nav/map.h"
#include "search/walk.h"

namespace zub {

namespace {

constexpr size_t kGitLineBytes = 120;
constexpr size_t kDirtyLines = 15;
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

// What every git query gets besides its own arguments.
struct GitSettings {
  std::vector<std::string> args;  // "-c key=value" pairs
  std::vector<std::string> env;
};

// Settings go in as -c, which every git version knows; a key that holds a
// "=" itself (a driver may be called "a=b") would be cut there, so such keys
// go through the numbered GIT_CONFIG_* variables instead, after any that the
// environment already holds.
GitSettings git_settings(const GitConfig& config) {
  GitSettings s;
  // A snapshot must not take the index lock that `status` would otherwise
  // grab to refresh stat data: the agent's own git commands could then fail.
  s.env = {"GIT_OPTIONAL_LOCKS=0", "GIT_TERMINAL_PROMPT=0", "GIT_ALLOW_PROTOCOL="};
  uint64_t n = 0;
  if (const auto count = env_text("GIT_CONFIG_COUNT")) n = parse_u64(*count).value_or(0);
  bool numbered = false;
  for (const auto& [key, value] : config) {
    if (key.find('=') == std::string::npos) {
      s.args.push_back("-c");
      s.args.push_back(key + "=" + value);
      continue;
    }
    s.env.push_back("GIT_CONFIG_KEY_" + std::to_string(n) + "=" + key);
    s.env.push_back("GIT_CONFIG_VALUE_" + std::to_string(n) + "=" + value);
    ++n;
    numbered = true;
  }
  if (numbered) s.env.push_back("GIT_CONFIG_COUNT=" + std::to_string(n));
  return s;
}

// How long one git query may run. A repository can make git wait for ever
// (a FIFO where it reads .gitignore, .git/HEAD or .git/config); a snapshot
// must still come. ZUB_GIT_TIMEOUT_MS sets another limit.
constexpr uint64_t kGitTimeLimitMs = 5000;

int git_time_limit_ms() {
  const uint64_t ms = env_number("ZUB_GIT_TIMEOUT_MS").value_or(kGitTimeLimitMs);
  return static_cast<int>(std::min<uint64_t>(ms, INT32_MAX));
}

// "5초" or, for a limit that is no whole number of seconds, "300ms".
std::string limit_text(int ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + "초" : std::to_string(ms) + "ms";
}

// The git queries of one root. Once a query has run out of time the
// repository is taken to be stuck, and the rest are not run.
struct GitRunner {
  std::string root;
  int limit_ms = 0;
  bool stuck = false;

  // Runs `git [settings] -C root args...`; once stuck, runs nothing and
  // answers as a query that could not start.
  ProcessResult run(const GitSettings& settings, std::initializer_list<const char*> args) {
    ProcessResult r;
    if (stuck) return r;
    std::vector<std::string> argv{"git", "--no-pager"};
    argv.insert(argv.end(), settings.args.begin(), settings.args.end());
    argv.push_back("-C");
    argv.push_back(root);
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessOptions opts;
    opts.env_set = settings.env;
    opts.time_limit_ms = limit_ms;
    r = run_process(argv, opts);
    stuck = r.timed_out;
    return r;
  }
};

// What a section shows in place of a query that ran out of time, or that
// was not run because an earlier one had.
std::string timed_out_text(const GitRunner& git) {
  return "[zub brief: git 이 " + limit_text(git.limit_ms) + " 안에 끝나지 않아 멈췄다]";
}
std::string skipped_text(const GitRunner& git) {
  return "[zub brief: 앞선 git 이 " + limit_text(git.limit_ms) + " 을 넘겨 생략]";
}

bool succeeded(const ProcessResult& r) { return r.started && r.exited && r.exit_code == 0; }

// The settings for one root: the fixed ones, and every filter driver that
// the repository (not the user) defines emptied.
GitConfig repository_git_config(GitRunner& git) {
  GitConfig config = fixed_git_config();
  const GitSettings settings = git_settings(config);
  ProcessResult r = git.run(
      settings, {"config", "--show-scope", "-z", "--name-only", "--get-regexp", "^filter\\."});
  // A git without --show-scope (before 2.26) rejects it as a usage error;
  // then every driver counts as the repository's.
  bool scoped = true;
  if (r.exited && r.exit_code == 129) {
    r = git.run(settings, {"config", "-z", "--name-only", "--get-regexp", "^filter\\."});
    scoped = false;
  }
  if (!succeeded(r)) return config;
  // NUL-terminated fields: (scope, when scoped, then) "filter.<driver>.<key>".
  std::vector<std::string_view> fields;
  for (size_t pos = 0; pos < r.out.size();) {
    const size_t end = std::min(r.out.find('\0', pos), r.out.size());
    fields.emplace_back(r.out.data() + pos, end - pos);
    pos = end + 1;
  }
  std::vector<std::string> drivers;
  const size_t step = scoped ? 2 : 1;
  for (size_t i = 0; i + step <= fields.size(); i += step) {
    const std::string_view name = fields[i + step - 1];
    if (scoped && (fields[i] == "system" || fields[i] == "global" || fields[i] == "command"))
      continue;
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
// only for a zero exit with non-blank output; or that it ran out of time.
struct GitAnswer {
  std::optional<std::string> text;
  std::optional<std::string> trouble;  // the line a section shows instead
};

GitAnswer git_query(GitRunner& git, const GitSettings& settings,
                    std::initializer_list<const char*> args) {
  if (git.stuck) return {std::nullopt, skipped_text(git)};
  ProcessResult r = git.run(settings, args);
  if (r.timed_out) return {std::nullopt, timed_out_text(git)};
  if (!succeeded(r)) return {};
  std::string text = decode_lossy(r.out);
  text.resize(trim_ws_end(text).size());
  if (is_blank(text)) return {};
  return {std::move(text), std::nullopt};
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

// Git prints what a repository holds: a commit subject may carry a carriage
// return or a terminal escape, which would forge a line or drive the
// reader's terminal.
void append_git_line(std::string& s, std::string_view line) {
  s += "  ";
  s += byte_cut(one_line_text(line), kGitLineBytes);
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

// The snapshot text of one existing root, ending with the top-level section;
// the file distribution lists at most `rows` directories. Messages of the
// distribution walk may go to out's error stream.
std::string brief_snapshot(const std::string& root, uint64_t rows, Output& out) {
  std::string s = "== " + shown_path(root) + " ==\n";
  GitRunner git{root, git_time_limit_ms()};
  const GitSettings settings = git_settings(repository_git_config(git));
  // The root's place inside its repository comes first ("" at the top); a
  // root below the top is a pathspec for the changes and the commits.
  std::string prefix;
  GitAnswer branch =
      git_query(git, settings, {"rev-parse", "--show-prefix", "--abbrev-ref", "HEAD"});
  if (branch.text) {
    const std::vector<std::string_view> lines = lf_lines(*branch.text);
    if (lines.size() >= 2) {
      prefix = std::string(lines[0]);
      branch.text = std::string(lines[1]);
    } else {
      branch.text.reset();
    }
  } else if (!branch.trouble) {
    // No commits yet: the branch has no name, the prefix still counts.
    const GitAnswer alone = git_query(git, settings, {"rev-parse", "--show-prefix"});
    if (alone.text) prefix = *alone.text;
  }
  if (branch.trouble) s += "branch: " + *branch.trouble + "\n";
  if (branch.text)
    s += "branch: " + std::string(byte_cut(one_line_text(*branch.text), kGitLineBytes)) + "\n";
  const std::string under = prefix.empty() ? std::string() : " under " + shown_path(prefix);
  const GitAnswer changes =
      prefix.empty()
          ? git_query(git, settings, {"status", "--porcelain", "--ignore-submodules=dirty"})
          : git_query(git, settings,
                      {"status", "--porcelain", "--ignore-submodules=dirty", "--", "."});
  if (changes.text) {
    std::vector<std::string_view> lines = lf_lines(*changes.text);
    s += "dirty: " + std::to_string(lines.size()) + " files" + under + "\n";
    for (size_t i = 0; i < lines.size() && i < kDirtyLines; ++i) append_git_line(s, lines[i]);
    if (lines.size() > kDirtyLines)
      s += "  … +" + std::to_string(lines.size() - kDirtyLines) + "\n";
  } else if (changes.trouble) {
    s += "dirty: " + *changes.trouble + "\n";
  } else {
    const GitAnswer repo = git_query(git, settings, {"rev-parse", "--git-dir"});
    if (repo.text) s += "dirty: clean" + under + "\n";
    if (repo.trouble) s += "dirty: " + *repo.trouble + "\n";
  }
  const GitAnswer log = prefix.empty()
                            ? git_query(git, settings, {"log", "--oneline", "-8"})
                            : git_query(git, settings, {"log", "--oneline", "-8", "--", "."});
  if (log.trouble) s += "recent: " + *log.trouble + "\n";
  if (log.text) {
    s += "recent" + under + ":\n";
    for (std::string_view line : lf_lines(*log.text)) append_git_line(s, line);
  }
  s += "--\n";
  MapReport map = map_report({root}, rows, kMapDefaultDepth, out);
  s += map.text;
  s += "--\ntop-level:\n";
  // Directories the distribution already lists by name are not listed again.
  std::vector<std::string> names = top_level_names(root);
  std::erase_if(names, [&](const std::string& n) {
    return std::find(map.parts.begin(), map.parts.end(), n) != map.parts.end();
  });
  for (size_t i = 0; i < names.size(); i += kNamesPerLine) {
    s += "  ";
    for (size_t j = i; j < names.size() && j < i + kNamesPerLine; ++j) {
      if (j > i) s += "  ";
      append_shown_path(s, names[j]);
    }
    s += "\n";
  }
  return s;
}

}  // namespace

int cmd_brief(const BriefOptions& opts, Output& out) {
  bool failed = false;
  for (const std::string& root : roots_or_here(opts.roots)) {
    struct stat st;
    if (::stat(root.c_str(), &st) != 0) {
      const int err = errno;
      out.write_err("zub: " + shown_path(root) + ": " + os_error_text(err) + "\n");
      failed = true;
      continue;
    }
    out.write_out(brief_snapshot(root, opts.rows, out));
  }
  return failed ? 2 : 0;
}

}  // namespace zub
