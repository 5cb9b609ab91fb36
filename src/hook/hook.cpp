#include "hook/hook.h"

#include <string_view>

#include "base/ascii.h"
#include "base/env.h"
#include "base/json_string.h"
#include "base/utf8.h"
#include "hook/classify.h"
#include "hook/probe_file.h"
#include "hook/wrap_hint.h"

namespace zub {

namespace {

// The texts are stored ready to sit inside a JSON string: the inner quotes
// already carry their backslashes and nothing else needs escaping.
constexpr std::string_view kBatchNudge =
    R"zub(직전 3개 요청이 전부 read-only 탐색이었다. 요청 1건 = 컨텍스트 ~82.5K 이고 출력 크기는 비용의 0.8% 뿐이라, 비용을 정하는 건 요청 횟수다. 판정 한 줄: \"직전 결과에 의존하는가?\" 아니면 지금 같이 보내라: `a; echo '== B =='; b; echo '== C =='; c`. 매치 주변이 필요하면 `zub grep -C 3` 한 콜(grep→read 왕복 제거), 레포 개관은 `zub brief ROOT`, 여러 후보 동시 검색은 `zub grep -e A -e B -e C ROOT`.)zub";

constexpr std::string_view kSleepNudge =
    R"zub(루프 없는 단발 `sleep` 이다. 대기는 요청 경계 밖으로 빼라: `until curl -sf localhost:PORT/health; do sleep 2; done` 한 콜로 끝난다. 수 분 이상이면 run_in_background 를 써라(완료 시 자동 재호출되므로 폴링이 불필요하다).)zub";

constexpr std::string_view kWrapHint =
    "빌드·테스트·린트 출력은 `zub wrap --diag` 로 돌리면 에러·실패만 남는다(종료코드 보존, 원문은 "
    "보관): ";

// Read-only requests in a row that earn the batching nudge.
constexpr uint64_t kNudgeAfter = 3;

// A command this long is a script, not a call worth repeating in a hint.
constexpr size_t kMaxHintedCommand = 1000;

void answer(std::string_view text, Output& out) {
  std::string line = R"({"hookSpecificOutput":{"hookEventName":"PreToolUse","additionalContext":")";
  line += text;
  line += "\"}}\n";
  out.write_out(line);
}

// The `zub wrap` hint for a build, test or lint command, once per session
// and program word: the word's own counter file beside the session's
// probe file remembers that it was given. Where the PostToolUse side has
// run in this session (its marker file) and is not turned off, the output
// is shortened after the call anyway, and the hint would only invite
// running the same command twice.
std::optional<std::string> wrap_hint(const std::string& command, const std::string& probe) {
  if (command.size() > kMaxHintedCommand || !is_valid_utf8(command)) return std::nullopt;
  if (!env_switch_set("ZUB_NO_POST") && read_probe_count(post_marker_path(probe)) != 0)
    return std::nullopt;
  std::optional<std::string_view> word = build_command_word(command);
  if (!word) return std::nullopt;
  std::string seen = probe + "-wrap-";
  for (char c : *word)
    if (is_alnum(c) || c == '-') seen += c;
  if (read_probe_count(seen) != 0) return std::nullopt;
  write_probe_count(seen, 1);
  std::string shown(1, '`');
  shown += wrap_form(command);
  shown += '`';
  std::string quoted;
  append_json_quoted(quoted, shown);
  std::string hint(kWrapHint);
  hint.append(quoted, 1, quoted.size() - 2);  // inside its quotes
  return hint;
}

// The PreToolUse event: the nudges and the hint.
void pre_tool(const std::string& input, Output& out) {
  std::optional<std::string> tool = json_string_field(input, "tool_name");
  if (!tool || *tool != "Bash") return;
  std::optional<std::string> command = json_string_field(input, "command");
  if (!command) return;
  const std::string probe = probe_path(json_string_field(input, "session_id"));

  // A failed probe write only delays or hastens one nudge; it is ignored.
  if (is_single_sleep(*command)) {
    write_probe_count(probe, 0);
    answer(kSleepNudge, out);
    return;
  }
  if (!is_read_only(*command)) {
    write_probe_count(probe, 0);
    if (std::optional<std::string> hint = wrap_hint(*command, probe)) answer(*hint, out);
    return;
  }
  const uint64_t count = uint64_t{read_probe_count(probe)} + 1;
  if (count < kNudgeAfter) {
    write_probe_count(probe, count);
    return;
  }
  write_probe_count(probe, 0);
  answer(kBatchNudge, out);
}

}  // namespace

PostToolAnswer cmd_hook(const std::optional<std::string>& input, Output& out) {
  if (!input) return {};
  // After the call: the PreToolUse counter and its probe file stay as they are.
  if (json_string_field(*input, "hook_event_name") == "PostToolUse")
    return answer_post_tool(*input, out);
  pre_tool(*input, out);
  return {};
}

}  // namespace zub
