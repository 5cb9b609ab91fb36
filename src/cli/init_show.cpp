#include "cli/init_show.h"

#include <optional>
#include <string>
#include <string_view>

#include "base/file_io.h"
#include "cli/hook_entry.h"
#include "cli/init_file.h"
#include "cli/init_notes.h"
#include "cli/init_scope.h"

namespace zub {

namespace {

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

}  // namespace

int show_init(Output& out) {
  std::string text;
  int status = 0;
  const std::string on_path = zub_on_path();
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
    if (s->kind != ScopeKind::kLocal) text += s->name + " 메모: " + notes_state(s->notes) + "\n";
    if (!st.command) return;
    const std::string program = command_program(*st.command);
    calls += s->name + " 설정의 훅이 부르는 zub: ";
    if (program.empty()) {
      // The host shows a hook error on every shell call until it is mended.
      calls += "찾을 수 없다 (`" + *st.command + "`): 고치려면 `zub init " + s->flags +
               "--force` (`" + hook_command() + "` 으로 바꾼다)\n";
      status = 1;
    } else if (program == on_path) {
      calls += program + " (PATH 의 zub 과 같다)\n";
    } else {
      calls += program + " (PATH 의 zub 이 아니다)\n";
    }
  };
  add_scope(user_scope(), "사용자", "HOME 이 절대 경로가 아니라 찾을 수 없다");
  add_scope(project_scope(false), "프로젝트", "git 저장소 밖이라 없다");
  if (std::optional<Scope> local = project_scope(true)) add_scope(local, "", "");
  text += "PATH 의 zub: " + (on_path.empty() ? std::string("없다") : on_path) + "\n";
  out.write_out(text + calls);
  return status;
}

}  // namespace zub
