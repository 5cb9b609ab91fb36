#include "cli/init.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "base/dir_tree.h"
#include "base/env.h"
#include "base/file_io.h"
#include "base/process.h"
#include "base/replace_file.h"
#include "base/unicode.h"
#include "base/unified_diff.h"
#include "cli/hook_entry.h"
#include "cli/init_file.h"
#include "cli/init_notes.h"

namespace zub {

namespace {

constexpr std::string_view kBackupSuffix = ".zub-bak";

// Where one scope keeps its files.
struct Scope {
  std::string name;  // "사용자" or "프로젝트"
  std::string settings;
  std::string notes;
};

int usage_failure(std::string_view what, Output& out) {
  out.write_err("zub init: " + std::string(what) + "\n\n" + std::string(kInitHelp) + "\n");
  return 2;
}

std::string real_path(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

// The first executable regular file `name` on PATH, resolved; empty when
// there is none.
std::string path_program(std::string_view name) {
  std::string_view path = env_text("PATH").value_or("");
  while (true) {
    const size_t colon = path.find(':');
    std::string dir(path.substr(0, colon));
    if (dir.empty()) dir.push_back('.');  // an empty entry is the current directory
    const std::string candidate = path_join(dir, name);
    struct stat st;
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return real_path(candidate);
    if (colon == std::string_view::npos) return {};
    path.remove_prefix(colon + 1);
  }
}

bool is_plain_word(std::string_view w) {
  for (char c : w)
    if (!is_alnum(c) && std::string_view("_./+-@%:,=").find(c) == std::string_view::npos)
      return false;
  return !w.empty();
}

std::string shell_word(std::string_view w) {
  if (is_plain_word(w)) return std::string(w);
  std::string out = "'";
  for (char c : w) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// "zub hook" when the zub found on PATH is this program, else this
// program's absolute path: the host must reach this very binary.
std::string hook_command() {
  const std::string self = real_path("/proc/self/exe");
  if (self.empty() || self == path_program("zub")) return "zub hook";
  return shell_word(self) + " hook";
}

// The program a registered command runs, resolved as the shell would find
// it; empty when it cannot be found.
std::string command_program(std::string_view command) {
  std::string_view c = trim_ws(command);
  c = trim_ws(c.substr(0, c.size() - std::string_view("hook").size()));
  if (c.size() >= 2 && (c.front() == '\'' || c.front() == '"') && c.back() == c.front())
    c = c.substr(1, c.size() - 2);
  if (c.find('/') == std::string_view::npos) return path_program(c);
  return real_path(std::string(c));
}

std::optional<std::string> repo_top() {
  ProcessResult p = run_process({"git", "rev-parse", "--show-toplevel"});
  if (!p.exited || p.exit_code != 0) return std::nullopt;
  std::string top = p.out;
  while (!top.empty() && (top.back() == '\n' || top.back() == '\r')) top.pop_back();
  if (top.empty()) return std::nullopt;
  return top;
}

std::optional<Scope> user_scope() {
  std::optional<std::string_view> home = env_text("HOME");
  if (!home || home->empty() || home->front() != '/') return std::nullopt;
  const std::string dir = path_join(*home, ".claude");
  return Scope{"사용자", path_join(dir, "settings.json"), path_join(dir, "CLAUDE.md")};
}

std::optional<Scope> project_scope() {
  std::optional<std::string> top = repo_top();
  if (!top) return std::nullopt;
  return Scope{"프로젝트", path_join(path_join(*top, ".claude"), "settings.json"),
               path_join(*top, "CLAUDE.md")};
}

void print_diff(const InitFile& f, std::string_view after, bool removed, Output& out) {
  std::string diff = unified_diff(f.exists ? f.shown : "/dev/null", removed ? "/dev/null" : f.shown,
                                  f.text, after);
  out.write_out(diff);
}

int fail(std::string_view why, Output& out) {
  out.write_err("zub init: " + std::string(why) + "\n");
  return 1;
}

std::string json_error_text(const std::string& path, const JsonError& e) {
  return path + ":" + std::to_string(e.line) + ":" + std::to_string(e.column) +
         ": JSON 이 아니다: " + e.reason;
}

// ---- The hook entry ----

// "PreToolUse·PostToolUse": the events named, in order.
std::string event_list(const std::vector<HookEvent>& events) {
  std::string text;
  for (HookEvent e : events) text += (text.empty() ? "" : "·") + std::string(event_key(e));
  return text;
}

// The events init registers.
std::vector<HookEvent> wanted_events(bool no_post) {
  if (no_post) return {HookEvent::kPre};
  return {HookEvent::kPre, HookEvent::kPost};
}

// The command registered for the first event that has one.
std::optional<std::string> any_registered(const JsonDocument& doc) {
  for (HookEvent e : kHookEvents)
    if (std::optional<std::string> cmd = registered_hook(doc, e)) return cmd;
  return std::nullopt;
}

int register_hook(const std::string& path, const InitOptions& o, Output& out) {
  std::string why;
  std::optional<DirLock> lock;
  if (!o.dry_run) {
    if (!make_dirs(dir_part(path))) return fail(dir_part(path) + ": 디렉터리를 만들지 못했다", out);
    lock.emplace(dir_part(path));
  }
  std::optional<InitFile> f = open_init_file(path, &why);
  if (!f) return fail(why + ": 아무것도 쓰지 않았다", out);
  JsonParse p = parse_settings(f->text);
  if (!p.doc) return fail(json_error_text(path, p.error) + ": 아무것도 쓰지 않았다", out);
  // An event registered already keeps its command; a missing one gets the
  // same, so that both events run one program.
  const std::optional<std::string> existing = any_registered(*p.doc);
  const std::string command = existing.value_or(hook_command());
  std::vector<HookEvent> added, removed, kept;
  for (HookEvent e : wanted_events(o.no_post)) {
    if (registered_hook(*p.doc, e)) {
      kept.push_back(e);
      continue;
    }
    if (!add_hook_entry(*p.doc, e, command, &why))
      return fail(path + ": " + why + ": 아무것도 쓰지 않았다", out);
    added.push_back(e);
  }
  if (o.no_post && remove_hook_entry(*p.doc, HookEvent::kPost)) removed.push_back(HookEvent::kPost);
  if (added.empty() && removed.empty()) {
    out.write_out("[zub init: " + path + " 에 이미 등록되어 있다 (" + event_list(kept) + " `" +
                  command + "`): 바꾼 것 없음]\n");
    return 0;
  }
  const std::string text = write_json(*p.doc);
  if (o.dry_run) {
    print_diff(*f, text, false, out);
    return 0;
  }
  if (!replace_init_file(*f, text, kBackupSuffix, &why)) return fail(why, out);
  std::string done = "[zub init: " + path + " 에 ";
  if (!added.empty())
    done += event_list(added) + " 훅 `" + command + "` (matcher Bash) 을 등록했다";
  if (!added.empty() && !kept.empty()) done += " (" + event_list(kept) + " 는 이미 있었다)";
  if (!removed.empty())
    done += std::string(added.empty() ? "" : ", ") + "PostToolUse 훅을 지웠다 (--no-post)";
  if (f->exists) done += ". 이전 파일은 " + f->target + std::string(kBackupSuffix);
  done += ". 호스트의 새 세션부터 적용된다]\n";
  if (!existing && command != "zub hook")
    done += "[zub init: PATH 의 zub 이 이 프로그램이 아니라서 절대 경로로 등록했다]\n";
  out.write_out(done);
  return 0;
}

// The settings text without zub's entry: the kept previous file when
// adding the entry to it gives exactly the current text (nothing else
// changed since), else the current text with the entry taken out. Nothing
// when the file should go: init made it and it holds only the entry.
std::optional<std::string> text_without_hook(const InitFile& f, JsonDocument& doc,
                                             const std::string& command) {
  ReadResult backup = read_file(f.target + std::string(kBackupSuffix));
  const std::string before = backup.ok ? backup.data : std::string();
  // The kept file gives the current text back only when it held no zub
  // hook itself (else restoring it would keep one).
  JsonParse kept = parse_settings(before);
  if (kept.doc && !any_registered(*kept.doc)) {
    for (bool post : {true, false})
      if (text_with_hook(before, command, post) == f.text)
        return backup.ok ? std::optional<std::string>(before) : std::nullopt;
  }
  for (HookEvent e : kHookEvents) remove_hook_entry(doc, e);
  return write_json(doc);
}

int unregister_hook(const std::string& path, bool dry_run, Output& out) {
  std::string why;
  std::optional<DirLock> lock;
  struct stat st;
  if (!dry_run && ::stat(dir_part(path).c_str(), &st) == 0) lock.emplace(dir_part(path));
  std::optional<InitFile> f = open_init_file(path, &why);
  if (!f) return fail(why + ": 아무것도 쓰지 않았다", out);
  JsonParse p = parse_settings(f->text);
  if (!p.doc) return fail(json_error_text(path, p.error) + ": 아무것도 쓰지 않았다", out);
  std::optional<std::string> cmd = any_registered(*p.doc);
  if (!f->exists || !cmd) {
    out.write_out("[zub init: " + path + " 에 등록된 zub 훅이 없다: 바꾼 것 없음]\n");
    return 0;
  }
  std::vector<HookEvent> events;
  for (HookEvent e : kHookEvents)
    if (registered_hook(*p.doc, e)) events.push_back(e);
  std::optional<std::string> text = text_without_hook(*f, *p.doc, *cmd);
  if (dry_run) {
    print_diff(*f, text.value_or(""), !text, out);
    return 0;
  }
  if (text ? !replace_init_file(*f, *text, kBackupSuffix, &why)
           : !remove_init_file(*f, kBackupSuffix, &why))
    return fail(why, out);
  std::string done =
      "[zub init: " + path + " 에서 " + event_list(events) + " 훅 `" + *cmd + "` 을 지웠다";
  done += text ? "" : " (init 이 만든 파일이라 파일째 지웠다)";
  out.write_out(done + ". 이전 파일은 " + f->target + std::string(kBackupSuffix) + "]\n");
  return 0;
}

// ---- The note in CLAUDE.md ----

int write_notes(const std::string& path, bool uninstall, bool dry_run, Output& out) {
  std::string why;
  std::optional<DirLock> lock;
  struct stat st;
  if (!dry_run && ::stat(dir_part(path).c_str(), &st) == 0) lock.emplace(dir_part(path));
  std::optional<InitFile> f = open_init_file(path, &why);
  if (!f) return fail(why + ": 아무것도 쓰지 않았다", out);
  std::optional<std::string> text;
  if (uninstall) {
    text = without_notes(f->text);
    if (!text) return 0;  // nothing of ours there: nothing to say
  } else if (has_notes(f->text)) {
    out.write_out("[zub init: " + path + " 에 zub 메모가 이미 있다: 바꾼 것 없음]\n");
    return 0;
  } else {
    text = with_notes(f->text);
  }
  // A file that held nothing but the note was made for it.
  const bool remove = uninstall && text->empty();
  if (dry_run) {
    print_diff(*f, *text, remove, out);
    return 0;
  }
  if (remove ? !remove_init_file(*f, "", &why) : !replace_init_file(*f, *text, "", &why))
    return fail(why, out);
  out.write_out("[zub init: " + path +
                (uninstall ? " 에서 zub 메모를 지웠다]\n" : " 에 zub 메모를 넣었다]\n"));
  return 0;
}

// ---- --show ----

struct Shown {
  std::string line;
  std::optional<std::string> command;  // the registered command
  bool broken = false;                 // unreadable or not JSON
};

Shown settings_state(const std::string& path) {
  std::string why;
  std::optional<InitFile> f = open_init_file(path, &why);
  if (!f) return {"읽지 못했다: " + why, std::nullopt, true};
  if (!f->exists) return {path + ": 파일 없음", std::nullopt, false};
  JsonParse p = parse_settings(f->text);
  if (!p.doc) return {json_error_text(path, p.error), std::nullopt, true};
  std::optional<std::string> cmd = any_registered(*p.doc);
  if (!cmd) return {path + ": 등록 안 됨", std::nullopt, false};
  std::string line = path + ": 등록됨";
  for (HookEvent e : kHookEvents) {
    std::optional<std::string> c = registered_hook(*p.doc, e);
    line += (e == HookEvent::kPre ? " " : ", ") + std::string(event_key(e)) +
            (c ? " `" + *c + "`" : " 없음");
  }
  return {line, cmd, false};
}

std::string notes_state(const std::string& path) {
  ReadResult r = read_file(path);
  if (!r.ok) return path + ": 없음";
  return path + (has_notes(r.data) ? ": zub 메모 있음" : ": zub 메모 없음");
}

int show(Output& out) {
  std::string text;
  int status = 0;
  const std::string on_path = path_program("zub");
  std::string calls;
  auto add_scope = [&](const std::optional<Scope>& s, std::string_view name,
                       std::string_view none) {
    if (!s) {
      text += std::string(name) + " 설정: " + std::string(none) + "\n";
      return;
    }
    Shown st = settings_state(s->settings);
    if (st.broken) status = 1;
    text += s->name + " 설정: " + st.line + "\n";
    text += s->name + " 메모: " + notes_state(s->notes) + "\n";
    if (!st.command) return;
    const std::string program = command_program(*st.command);
    calls += s->name + " 설정의 훅이 부르는 zub: ";
    if (program.empty())
      calls += "찾을 수 없다\n";
    else if (program == on_path)
      calls += program + " (PATH 의 zub 과 같다)\n";
    else
      calls += program + " (PATH 의 zub 이 아니다)\n";
  };
  add_scope(user_scope(), "사용자", "HOME 이 절대 경로가 아니라 찾을 수 없다");
  add_scope(project_scope(), "프로젝트", "git 저장소 밖이라 없다");
  text += "PATH 의 zub: " + (on_path.empty() ? std::string("없다") : on_path) + "\n";
  out.write_out(text + calls);
  return status;
}

}  // namespace

int cmd_init(const InitOptions& o, Output& out) {
  if (!o.stray.empty()) return usage_failure("모르는 인자 `" + o.stray + "`", out);
  if (o.show && (o.dry_run || o.uninstall || o.notes))
    return usage_failure("--show 는 --dry-run, --uninstall, --notes 와 같이 쓰지 않는다", out);
  if (o.show) return show(out);
  std::optional<Scope> scope = o.project ? project_scope() : user_scope();
  if (!scope)
    return fail(o.project ? "--project 는 git 저장소 안에서 실행해라"
                          : "HOME 이 절대 경로가 아니라 사용자 설정을 찾을 수 없다",
                out);
  int status = o.uninstall ? unregister_hook(scope->settings, o.dry_run, out)
                           : register_hook(scope->settings, o, out);
  if (status == 0 && (o.notes || o.uninstall))
    status = write_notes(scope->notes, o.uninstall, o.dry_run, out);
  return status;
}

}  // namespace zub
