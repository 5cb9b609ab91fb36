// `zub init`: registers zub's hook for PreToolUse and PostToolUse in the
// agent host's settings (the user's file, or with --project the
// repository's), previews the change as a diff, shows where zub is
// registered, and takes the entries away again; --notes also keeps a short note on zub in
// CLAUDE.md. It never changes a setting it did not add and never writes a file that is not valid
// JSON. Not in the fixed usage text; `zub init --help` describes it.
#pragma once

#include <string>
#include <string_view>

#include "base/output.h"

namespace zub {

struct InitOptions {
  bool project = false, dry_run = false, show = false, uninstall = false, notes = false,
       no_post = false, force = false, local = false, shared = false;
  std::string stray;  // the first operand, which init does not take
};

// clang-format off
inline constexpr std::string_view kInitHelp =
    "zub init [--project|--local] [--dry-run] [--show] [--uninstall] [--notes] [--no-post] "
    "[--force] [--shared]\n"
    "에이전트 호스트 설정에 훅 `zub hook` (matcher Bash) 을 PreToolUse 와 PostToolUse 두 곳에 "
    "등록한다.\n"
    "기본은 사용자 설정 ~/.claude/settings.json, --project 면 git 저장소 최상위의 "
    ".claude/settings.json (팀과 함께 쓴다), --local 이면 .claude/settings.local.json (나만).\n"
    "다른 키·훅·값과 공백·순서는 그대로 둔다. 두 번 실행해도 항목은 하나다. PreToolUse 만 "
    "등록되어 있으면 PostToolUse 를 더한다. JSON 이 아닌 파일은 오류 위치(줄:열)를 알리고 "
    "쓰지 않는다. 저장소의 파일은 저장소 안에만 쓴다.\n"
    "쓰기는 원자적이고(같은 디렉터리의 임시 파일, fsync, rename) 파일 모드를 지키며, 이전 파일은 "
    "사용자 설정이면 settings.json.zub-bak, 저장소 설정이면 zub 의 상태 디렉터리에 남는다.\n"
    "훅은 허용·거부를 정하지 않는다: PreToolUse 에서는 배치 넛지와 `zub wrap` 제안만 덧붙이고, "
    "PostToolUse 에서는 긴 셸 출력을 줄여 보인다(원문 보관).";
// clang-format on

int cmd_init(const InitOptions& opts, Output& out);

}  // namespace zub
