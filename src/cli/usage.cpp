#include "cli/usage.h"

namespace zub {

const char* const kUsageText =
    "zub <sub>: 여러 파일·여러 패턴은 한 콜에 몰아라(배치가 핵심 이득)\n"
    "brief ROOT              레포 스냅샷 1콜 = git 상태+최근커밋+파일분포+상위목록\n"
    "outline F... [-n 400]   구조만. cat -n 대체\n"
    "read F A-B [F A-B ...]  범위읽기. sed -n 대체 (ZUB_READ_NUM=1 로 줄번호)\n"
    "--bytes N F...     앞 N 바이트만. head -c 대체(잘린 마지막 줄은 버린다)\n"
    "def SYM ROOT...         정의부터 블록 끝까지. grep+read 왕복 제거\n"
    "grep [플래그] PAT ROOT... -E -i -w -v -C N -l -c -e PAT --ext a,b --name G --not G  (`zub "
    "grep -h`)\n"
    "map ROOT... [-n 25]     파일 분포(여러 루트 배치). find/ls -R 대체\n"
    "wrap [--diag|--logs|--raw] -- CMD...   실행+출력압축, **종료코드 보존**\n"
    "diag  < 린터·컴파일러 출력   요약(원문 ~75% 소실)\n"
    "logs  < 로그·스트림          중복 접기\n"
    "trim [폭=200] < 임의 출력    범용 압축(무손실급). 2KB 미만 패스스루\n"
    "web Q [N=6] [-d K] [-n C] 자체 메타서치(brave+bing+로컬searxng, RRF). -d K = 상위 K개 "
    "본문까지\n"
    "fetch URL... [-n 6000]  본문만 마크다운으로. 병렬. WebFetch 대체\n"
    "md  < HTML                   이미 받은 HTML 을 마크다운 본문으로\n"
    "cache [clear]           fetch 캐시 상태·삭제 (TTL 은 URL 유형별 자동)\n"
    "hook  < PreToolUse JSON   배치 넛지(설정에서 자동 호출. 직접 부를 일 없음)\n"
    "파이프에 `| zub trim|diag` 를 붙이면 exit code 가 사라진다: 빌드·테스트는 `zub wrap --` 를 "
    "써라.";

std::string usage_lines(std::string_view sub) {
  std::string lines;
  bool about_sub = false;
  std::string_view rest = kUsageText;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.starts_with('-'))
      about_sub = line.size() > sub.size() && line.starts_with(sub) && line[sub.size()] == ' ';
    if (!about_sub) continue;
    if (!lines.empty()) lines += '\n';
    lines += line;
  }
  return lines;
}

namespace {

struct MoreLines {
  std::string_view sub;
  std::string_view lines;  // each begins with two spaces and ends in a line feed
};

// clang-format off
constexpr MoreLines kMore[] = {
    {"outline", "  F|DIR [A-B]... · DIR 은 grep 처럼 걷는다: --ext -t -T -g --include --exclude --exclude-dir --all\n"
                "  F:A-B 도 받는다\n"},
    {"read",    "  F:A-B F:A F#L10-L20 · 범위: A-B A- A A,B A:B A..B L10-L20\n"
                "  -n 줄번호(cat -n) · F -n N 범위 없는 파일의 앞 N줄(head -n; 파일 앞의 -n N 은 모호해 거부)\n"
                "  sed 처럼: A,+N(F 10 +5) A,$ $(끝 줄) 10,20p · --lines R(범위 없는 파일마다) · --head N(-N) · --tail N\n"
                "  범위 여럿을 한 인자로: F 10-20,40-45 · - 는 stdin: git show X:F | zub read - 10-20\n"},
    {"def",     "  SYM: A.b A::b A#b T.M (*T).M a::b::c · ROOT 없으면 . · 옵션은 SYM 앞뒤 어디나\n"
                "  파일 고르기는 grep 처럼: --ext -t -T -g --include --exclude --exclude-dir --all\n"
                "  grep 의 -A N = -n N · -r -w 는 받아 넘긴다 · 심볼 여럿: def A B ROOT\n"},
    {"map",     "  ROOT 없으면 . · --depth N (-d N, --max-depth=N, -L N)\n"
                "  파일 고르기 없이 모든 파일: 고른 파일 목록은 zub grep --files -g G ROOT\n"},
    {"diag",    "  < 대신 파일도 받는다: zub diag build.log (여러 개는 이어서, - 는 stdin)\n"},
    {"logs",    "  N 또는 -n N = 최근 N줄(기본 3000) · < 대신 파일도: zub logs app.log\n"
                "  -n500 --lines 500 --tail 500 도 같다\n"},
    {"trim",    "  W 또는 -w W = 폭 · < 대신 파일도: zub trim out.txt\n"},
    {"md",      "  < 대신 파일도 받는다: zub md page.html\n"},
    {"wrap",    "  -c '셸 줄' = sh -c 처럼 그 줄을 실행\n"},
    {"fetch",   "  curl 의 -s -S -L -f(-fsSL)는 받아 넘긴다: 늘 조용히, 리다이렉트를 따라간다\n"},
    {"cache",   "  --clear = clear\n"},
};
// clang-format on

}  // namespace

std::string_view usage_more(std::string_view sub) {
  for (const MoreLines& m : kMore)
    if (m.sub == sub) return m.lines;
  return {};
}

// The version comes from the build so that it always matches the package.
const char* const kVersionLine = "zub " ZUB_VERSION " (release, 2026-09-24 빌드)";

}  // namespace zub
