#include "nav/brief.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string_view>

#include "base/path_error.h"
#include "base/process.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "nav/map.h"

namespace zub {

namespace {

constexpr size_t kGitLineBytes = 120;
constexpr size_t kDirtyLines = 15;
constexpr size_t kNamesPerLine = 6;

// Runs `git -C root args...`; yields its standard output (lossily decoded,
// trailing white space removed) only for a zero exit with non-blank output.
std::optional<std::string> git_query(const std::string& root,
                                     std::initializer_list<const char*> args) {
  std::vector<std::string> argv{"git", "-C", root};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessOptions opts;
  // A snapshot must not take the index lock that `status` would otherwise
  // grab to refresh stat data: the agent's own git commands could then fail.
  opts.env_set = {"GIT_OPTIONAL_LOCKS=0"};
  ProcessResult r = run_process(argv, opts);
  if (!r.started || !r.exited || r.exit_code != 0) return std::nullopt;
  std::string text = decode_lossy(r.out);
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

std::string brief_snapshot(const std::string& root, uint64_t rows, Output& out) {
  std::string s = "== " + root + " ==\n";
  if (auto branch = git_query(root, {"rev-parse", "--abbrev-ref", "HEAD"}))
    s += "branch: " + *branch + "\n";
  if (auto changes = git_query(root, {"status", "--porcelain"})) {
    std::vector<std::string_view> lines = lf_lines(*changes);
    s += "dirty: " + std::to_string(lines.size()) + " files\n";
    for (size_t i = 0; i < lines.size() && i < kDirtyLines; ++i) append_git_line(s, lines[i]);
    if (lines.size() > kDirtyLines)
      s += "  … +" + std::to_string(lines.size() - kDirtyLines) + "\n";
  } else if (git_query(root, {"rev-parse", "--git-dir"})) {
    s += "dirty: clean\n";
  }
  if (auto log = git_query(root, {"log", "--oneline", "-8"})) {
    s += "recent:\n";
    for (std::string_view line : lf_lines(*log)) append_git_line(s, line);
  }
  s += "--\n";
  s += map_report({root}, rows, out).text;
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

int cmd_brief(const std::vector<std::string>& roots, uint64_t rows, Output& out) {
  bool failed = false;
  for (const std::string& root : roots) {
    struct stat st;
    if (::stat(root.c_str(), &st) != 0) {
      const int err = errno;
      out.write_err("zub: " + root + ": " + os_error_text(err) + "\n");
      failed = true;
      continue;
    }
    out.write_out(brief_snapshot(root, rows, out));
  }
  return failed ? 2 : 0;
}

}  // namespace zub
