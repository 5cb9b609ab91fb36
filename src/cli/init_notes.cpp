#include "cli/init_notes.h"

#include "base/text.h"

namespace zub {

namespace {

constexpr std::string_view kBegin = "<!-- zub:begin (zub init --notes 가 넣었다) -->\n";
constexpr std::string_view kEnd = "<!-- zub:end -->\n";

// clang-format off
constexpr std::string_view kNotesText =
    "<!-- zub:begin (zub init --notes 가 넣었다) -->\n"
    "## zub\n"
    "zub 은 코딩 에이전트용 도구다: 여러 파일·여러 패턴을 한 콜에 묶어 요청 횟수를 줄이고, "
    "빌드·테스트 출력은 압축한다.\n"
    "- `zub brief ROOT`: 레포 스냅샷 한 콜 (git 상태, 최근 커밋, 파일 분포)\n"
    "- `zub grep -C 3 -e A -e B ROOT`: 여러 패턴을 문맥과 함께 한 콜에\n"
    "- `zub read F 10-80 G 1-40`: 여러 파일의 범위를 한 콜에\n"
    "- `zub def SYM ROOT`: 정의를 블록 끝까지. `zub outline F|DIR`: 선언 줄만\n"
    "- `zub wrap --diag -- make test`: 빌드·테스트를 실행하고 에러·실패만 보인다 "
    "(원문 보관, 종료코드 보존). 저장된 로그는 `zub diag build.log`\n"
    "전체 목록은 `zub --help`. 지우려면 `zub init --uninstall`.\n"
    "<!-- zub:end -->\n";
// clang-format on
static_assert(kNotesText.substr(0, kBegin.size()) == kBegin);
static_assert(kNotesText.substr(kNotesText.size() - kEnd.size()) == kEnd);

// The offset of `line` where it starts a line of `text`; npos when absent.
size_t line_start_of(std::string_view text, std::string_view line, size_t from = 0) {
  for (size_t p = find_bytes(text, line, from); p != std::string_view::npos;
       p = find_bytes(text, line, p + 1))
    if (p == 0 || text[p - 1] == '\n') return p;
  return std::string_view::npos;
}

}  // namespace

const std::string_view kZubNotes = kNotesText;

bool has_notes(std::string_view text) {
  return line_start_of(text, kBegin) != std::string_view::npos;
}

std::string with_notes(std::string_view text) {
  std::string out(text);
  if (!out.empty() && out.back() != '\n') out += '\n';
  if (!out.empty()) out += '\n';
  out += kNotesText;
  return out;
}

std::optional<std::string> without_notes(std::string_view text) {
  const size_t begin = line_start_of(text, kBegin);
  if (begin == std::string_view::npos) return std::nullopt;
  const size_t end = line_start_of(text, kEnd, begin);
  if (end == std::string_view::npos) return std::nullopt;
  std::string_view before = text.substr(0, begin);
  if (ends_with(before, "\n\n")) before.remove_suffix(1);
  return std::string(before) + std::string(text.substr(end + kEnd.size()));
}

}  // namespace zub
