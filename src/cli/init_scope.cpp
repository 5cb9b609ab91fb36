#include "cli/init_scope.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "base/ascii.h"
#include "base/env.h"
#include "base/file_io.h"
#include "base/fnv.h"
#include "base/process.h"
#include "base/shell_quote.h"
#include "base/state_dir.h"
#include "base/unicode.h"

namespace zub {

namespace {

std::string real_path(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

// The first executable regular file `name` on PATH, where the program runner
// would find it, resolved; empty when there is none.
std::string path_program(std::string_view name) {
  for (const std::string& candidate : exec_candidates(std::string(name))) {
    struct stat st;
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return real_path(candidate);
  }
  return {};
}

std::optional<std::string> repo_top() {
  ProcessResult p = run_process({"git", "rev-parse", "--show-toplevel"});
  if (!p.exited || p.exit_code != 0) return std::nullopt;
  std::string top = p.out;
  while (!top.empty() && (top.back() == '\n' || top.back() == '\r')) top.pop_back();
  if (top.empty()) return std::nullopt;
  return top;
}

}  // namespace

std::optional<Scope> user_scope() {
  std::optional<std::string_view> home = env_text("HOME");
  if (!home || home->empty() || home->front() != '/') return std::nullopt;
  const std::string dir = path_join(*home, ".claude");
  Scope s;
  s.name = "사용자";
  s.settings = path_join(dir, "settings.json");
  s.notes = path_join(dir, "CLAUDE.md");
  return s;
}

std::optional<Scope> project_scope(bool local) {
  std::optional<std::string> top = repo_top();
  if (!top) return std::nullopt;
  const std::string real = real_path(*top);
  if (real.empty()) return std::nullopt;
  Scope s;
  s.kind = local ? ScopeKind::kLocal : ScopeKind::kProject;
  s.name = local ? "프로젝트(개인)" : "프로젝트";
  s.settings =
      path_join(path_join(*top, ".claude"), local ? "settings.local.json" : "settings.json");
  s.notes = path_join(*top, "CLAUDE.md");
  s.inside = real;
  s.flags = local ? "--local " : "--project ";
  return s;
}

std::string backup_path(const Scope& scope, const std::string& target) {
  if (scope.kind == ScopeKind::kUser) return target + ".zub-bak";
  StateDir dir = open_state_dir("init-bak", true);
  if (!dir.ok()) return {};
  char name[32];
  std::snprintf(name, sizeof name, "%016llx",
                static_cast<unsigned long long>(line_fingerprint(target)));
  const size_t slash = target.rfind('/');
  return path_join(dir.path(), std::string(name) + "-" + target.substr(slash + 1));
}

std::string hook_command() {
  const std::string self = real_path("/proc/self/exe");
  if (self.empty() || self == zub_on_path()) return "zub hook";
  return shell_word(self) + " hook";
}

std::string command_program(std::string_view command) {
  std::string_view c = trim_ws(command);
  c = trim_ws(c.substr(0, c.size() - std::string_view("hook").size()));
  if (c.size() >= 2 && (c.front() == '\'' || c.front() == '"') && c.back() == c.front())
    c = c.substr(1, c.size() - 2);
  if (c.find('/') == std::string_view::npos) return path_program(c);
  return real_path(std::string(c));
}

std::string zub_on_path() { return path_program("zub"); }

}  // namespace zub
