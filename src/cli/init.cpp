#include "cli/init.h"

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string_view>
#include <vector>

#include "base/dir_tree.h"
#include "base/file_io.h"
#include "base/replace_file.h"
#include "base/unified_diff.h"
#include "cli/hook_entry.h"
#include "cli/init_file.h"
#include "cli/init_notes.h"
#include "cli/init_scope.h"
#include "cli/init_show.h"

namespace zub {

namespace {

int usage_failure(std::string_view what, Output& out) {
  out.write_err("zub init: " + std::string(what) + "\n\n" + std::string(kInitHelp) + "\n");
  return 2;
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

// Opens a file of the scope under its directory's lock (made first unless
// this is a dry run); the lock is held as long as `lock` lives.
std::optional<InitFile> open_locked(const Scope& scope, const std::string& path, bool make,
                                    bool dry_run, std::optional<DirLock>& lock, Output& out) {
  std::string why;
  // Judged before anything is made: the directory may be a link.
  if (!open_init_file(path, &why, scope.inside)) {
    fail(why + ": 아무것도 쓰지 않았다", out);
    return std::nullopt;
  }
  const std::string dir = dir_part(path);
  if (!dry_run && make && !make_dirs(dir)) {
    fail(dir + ": 디렉터리를 만들지 못했다", out);
    return std::nullopt;
  }
  struct stat st;
  if (!dry_run && ::stat(dir.c_str(), &st) == 0) lock.emplace(dir);
  std::optional<InitFile> f = open_init_file(path, &why, scope.inside);
  if (!f) fail(why + ": 아무것도 쓰지 않았다", out);
  return f;
}

// The stated change of a register run, as one bracketed line.
std::string register_message(const std::string& path, const std::string& command,
                             const std::vector<HookEvent>& added,
                             const std::vector<HookEvent>& kept, bool removed_post,
                             bool repointed) {
  std::string done = "[zub init: " + path + " 에 ";
  if (repointed) done += event_list(kept) + " 훅을 `" + command + "` 으로 고쳤다";
  if (!added.empty()) {
    done += std::string(repointed ? ", " : "") + event_list(added) + " 훅 `" + command +
            "` (matcher Bash) 을 등록했다";
    if (!kept.empty() && !repointed) done += " (" + event_list(kept) + " 는 이미 있었다)";
  }
  if (removed_post)
    done += std::string(added.empty() && !repointed ? "" : ", ") +
            "PostToolUse 훅을 지웠다 (--no-post)";
  return done;
}

// The warning a shared project file gets: teammates run the same hooks.
std::string shared_file_warning(const Scope& scope) {
  return "[zub init: " + scope.settings +
         " 는 저장소와 함께 팀원에게도 가는 설정이다: zub 이 없는 팀원의 호스트는 셸 호출마다 "
         "\"hook error\" 를 보인다. 나만 쓰려면 `zub init --project --uninstall` 후 "
         "`zub init --local` (.claude/settings.local.json), 팀 모두 zub 을 쓰면 --shared 로 이 "
         "안내를 끈다]\n";
}

int register_hook(const Scope& scope, const InitOptions& o, Output& out) {
  const std::string& path = scope.settings;
  std::optional<DirLock> lock;
  std::optional<InitFile> f = open_locked(scope, path, true, o.dry_run, lock, out);
  if (!f) return 1;
  JsonParse p = parse_settings(f->text);
  if (!p.doc) return fail(json_error_text(path, p.error) + ": 아무것도 쓰지 않았다", out);
  // An event registered already keeps its command, and a missing one gets
  // the same, so that both events run one program; unless that program is
  // gone, which --force mends.
  const std::optional<std::string> existing = any_registered(*p.doc);
  const bool gone = existing && command_program(*existing).empty();
  if (gone && !o.force) {
    out.write_err("zub init: " + path + ": 등록된 훅 `" + *existing +
                  "` 의 zub 을 찾을 수 없다 (옮겼거나 지웠다): 호스트는 셸 호출마다 훅 오류를 "
                  "보인다. 이 zub 으로 고치려면 `zub init " +
                  scope.flags + "--force` (`" + hook_command() + "` 으로 바꾼다)\n");
    return 1;
  }
  const std::string command = o.force || !existing ? hook_command() : *existing;
  std::vector<HookEvent> added, kept;
  bool repointed = false;
  std::string why;
  for (HookEvent e : wanted_events(o.no_post)) {
    if (registered_hook(*p.doc, e)) {
      kept.push_back(e);
      if (o.force) repointed = set_hook_command(*p.doc, e, command) || repointed;
      continue;
    }
    if (!add_hook_entry(*p.doc, e, command, &why))
      return fail(path + ": " + why + ": 아무것도 쓰지 않았다", out);
    added.push_back(e);
  }
  const bool removed_post = o.no_post && remove_hook_entry(*p.doc, HookEvent::kPost);
  const std::string warning =
      scope.kind == ScopeKind::kProject && !o.shared ? shared_file_warning(scope) : "";
  if (added.empty() && !removed_post && !repointed) {
    out.write_out("[zub init: " + path + " 에 이미 등록되어 있다 (" + event_list(kept) + " `" +
                  command + "`): 바꾼 것 없음]\n" + warning);
    return 0;
  }
  const std::string text = write_json(*p.doc);
  if (o.dry_run) {
    print_diff(*f, text, false, out);
    out.write_err(warning);
    return 0;
  }
  const std::string backup = backup_path(scope, f->target);
  if (f->exists && backup.empty())
    return fail(path + ": 이전 파일을 남길 곳(zub 의 상태 디렉터리)이 없어 쓰지 않았다", out);
  if (!replace_init_file(*f, text, backup, &why)) return fail(why, out);
  std::string done = register_message(path, command, added, kept, removed_post, repointed);
  if (f->exists) done += ". 이전 파일은 " + backup;
  done += ". 호스트의 새 세션부터 적용된다]\n";
  if (command != "zub hook" && (added.size() == wanted_events(o.no_post).size() || repointed))
    done += "[zub init: PATH 의 zub 이 이 프로그램이 아니라서 절대 경로로 등록했다]\n";
  out.write_out(done + warning);
  return 0;
}

// The settings text without zub's entries: the kept previous file when
// adding the entries to it gives exactly the current text (nothing else
// changed since), else the current text with the entries taken out.
struct Without {
  std::optional<std::string> text;  // nothing: init made the file and it holds only the entries
  bool whole = false;               // the file as it was before init (or gone)
};

Without text_without_hook(const InitFile& f, const std::string& backup, JsonDocument& doc,
                          const std::string& command) {
  ReadResult kept = backup.empty() ? ReadResult{} : read_file(backup);
  const std::string before = kept.ok ? kept.data : std::string();
  // The kept file gives the current text back only when it held no zub
  // hook itself (else restoring it would keep one).
  JsonParse old = parse_settings(before);
  if (old.doc && !any_registered(*old.doc)) {
    for (bool post : {true, false})
      if (text_with_hook(before, command, post) == f.text)
        return {kept.ok ? std::optional<std::string>(before) : std::nullopt, true};
  }
  for (HookEvent e : kHookEvents) remove_hook_entry(doc, e);
  return {write_json(doc), false};
}

int unregister_hook(const Scope& scope, bool dry_run, Output& out) {
  const std::string& path = scope.settings;
  std::optional<DirLock> lock;
  std::optional<InitFile> f = open_locked(scope, path, false, dry_run, lock, out);
  if (!f) return 1;
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
  const std::string backup = backup_path(scope, f->target);
  Without w = text_without_hook(*f, backup, *p.doc, *cmd);
  if (dry_run) {
    print_diff(*f, w.text.value_or(""), !w.text, out);
    return 0;
  }
  // Given back whole (or removed), the file needs no backup any more: the
  // one kept would only bring the entries back.
  std::string why;
  if (w.text ? !replace_init_file(*f, *w.text, w.whole ? "" : backup, &why)
             : !remove_init_file(*f, &why))
    return fail(why, out);
  if (w.whole && !backup.empty()) ::unlink(backup.c_str());
  std::string done =
      "[zub init: " + path + " 에서 " + event_list(events) + " 훅 `" + *cmd + "` 을 지웠다";
  if (!w.text)
    done += " (init 이 만든 파일이라 파일째 지웠다)";
  else if (w.whole)
    done += " (init 전의 파일 그대로다)";
  else
    done += ". 이전 파일은 " + backup;
  out.write_out(done + "]\n");
  return 0;
}

// ---- The note in CLAUDE.md ----

int write_notes(const Scope& scope, bool uninstall, bool dry_run, Output& out) {
  const std::string& path = scope.notes;
  std::optional<DirLock> lock;
  std::optional<InitFile> f = open_locked(scope, path, false, dry_run, lock, out);
  if (!f) return 1;
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
  std::string why;
  if (remove ? !remove_init_file(*f, &why) : !replace_init_file(*f, *text, "", &why))
    return fail(why, out);
  out.write_out("[zub init: " + path +
                (uninstall ? " 에서 zub 메모를 지웠다]\n" : " 에 zub 메모를 넣었다]\n"));
  return 0;
}

}  // namespace

int cmd_init(const InitOptions& o, Output& out) {
  if (!o.stray.empty()) return usage_failure("모르는 인자 `" + o.stray + "`", out);
  if (o.show && (o.dry_run || o.uninstall || o.notes || o.force || o.no_post))
    return usage_failure("--show 는 다른 플래그와 같이 쓰지 않는다", out);
  if (o.local && o.shared)
    return usage_failure("--local (나만) 과 --shared (팀과 함께) 는 같이 쓰지 않는다", out);
  if (o.show) return show_init(out);
  const bool project = o.project || o.local || o.shared;
  std::optional<Scope> scope = project ? project_scope(o.local) : user_scope();
  if (!scope)
    return fail(project ? "--project 는 git 저장소 안에서 실행해라"
                        : "HOME 이 절대 경로가 아니라 사용자 설정을 찾을 수 없다",
                out);
  // The note's file is judged before the settings change, so that a
  // refusal there leaves both as they were.
  std::string why;
  if ((o.notes || o.uninstall) && !open_init_file(scope->notes, &why, scope->inside))
    return fail(why + ": 아무것도 쓰지 않았다", out);
  int status =
      o.uninstall ? unregister_hook(*scope, o.dry_run, out) : register_hook(*scope, o, out);
  if (status == 0 && (o.notes || o.uninstall))
    status = write_notes(*scope, o.uninstall, o.dry_run, out);
  return status;
}

}  // namespace zub
