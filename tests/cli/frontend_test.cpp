// End-to-end checks of the front end: usage, version, dispatch and the
// argument rules that it owns.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/process.h"
#include "support/run_zub.h"

using zub_test::run_zub;
using zub_test::run_zub_stdin;

namespace {

const std::string kUsage =
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
    "써라.\n";

}  // namespace

TEST(FrontEnd, UsageHelpAndVersion) {
  auto r = run_zub({});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, kUsage);

  for (const char* h : {"help", "-h", "--help"}) {
    r = run_zub({h});
    EXPECT_EQ(r.status, 0) << h;
    EXPECT_EQ(r.out, kUsage) << h;
    EXPECT_EQ(r.err, "");
  }
  for (const char* v : {"version", "-V", "--version"}) {
    r = run_zub({v});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "zub 0.1.0 (release, 2026-09-24 빌드)\n");
  }
}

TEST(FrontEnd, UnknownSubcommandsAreCaseSensitiveAndExact) {
  // Nothing runs. A slip of a subcommand's name, or another tool's name,
  // gets one line naming the subcommand to use; any other name the usage.
  const std::string read_line =
      "→ zub read F A-B [F A-B ...]  범위읽기. sed -n 대체 (ZUB_READ_NUM=1 로 줄번호)\n";
  const std::vector<std::pair<std::string, std::string>> named = {
      {"Read", read_line},
      {"rea", read_line},
      {"reads", read_line},
      {"raed", read_line},
      {"cat", read_line},
      {"rg", "→ zub grep [플래그] PAT ROOT..."},
      {"tree", "→ zub map ROOT... [-n 25]"},
      {"stats", "→ zub gain\n"},
      {"-v", "→ zub version\n"}};
  for (const auto& [sub, hint] : named) {
    auto r = run_zub({sub, "x"});
    EXPECT_EQ(r.status, 2) << sub;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(std::string("zub: 알 수 없는 서브커맨드 `") + sub + "`\n" + hint, 0), 0u)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
  }
  for (const char* sub : {"", "\xff\xfe", "xyzzy", "ma"}) {
    auto r = run_zub({sub});
    EXPECT_EQ(r.status, 2) << sub;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("zub: 알 수 없는 서브커맨드 `") + sub + "`\n\n" + kUsage);
  }
  // Help about another tool's name is the subcommand's.
  EXPECT_EQ(run_zub({"help", "cat"}).out, run_zub({"help", "read"}).out);
}

TEST(FrontEnd, MissingArgumentsGiveUsage) {
  // The lines about the subcommand, not the whole usage text.
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{{"outline"},
                                                                             {"outline", "-n", "5"},
                                                                             {"read"},
                                                                             {"read", "-c", "5"},
                                                                             {"web"},
                                                                             {"fetch"}}) {
    auto r = run_zub(args);
    EXPECT_EQ(r.status, 2) << args[0];
    // The help's lines, without its list of options.
    const std::string help = run_zub({"help", args[0]}).out;
    EXPECT_EQ(help.rfind(r.err.substr(0, r.err.size() - 1) + "\n옵션:\n", 0), 0u) << help;
    EXPECT_EQ(r.err.rfind(args[0] + " ", 0), 0u) << r.err;
  }
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"def"}, {"def", "-n", "5"}}) {
    auto r = run_zub(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zub def SYM ROOT... [-n 200]\n");
  }
}

TEST(FrontEnd, ReadByteOptionMustBePositive) {
  zub_test::TempDir dir;
  const std::string f = dir.write("f", "abc\n");
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"read", "-c", "0", f},
                                             {"read", f, "--bytes"},
                                             {"read", "--bytes", "x", f},
                                             {"read", "-c", "-5", f},
                                             {"read", "-c", "99999999999999999999", f}}) {
    auto r = run_zub(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zub read --bytes N (N>0)\n");
    EXPECT_EQ(r.out, "");
  }
  // The option is recognised anywhere; "+" is allowed.
  auto a = run_zub({"read", f, "--bytes", "+2"});
  auto b = run_zub({"read", "-c", "2", f});
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(a.out, "ab\n[zub read: 앞 2 bytes 만]\n");
}

TEST(FrontEnd, MapNumberMustParse) {
  zub_test::TempDir dir;
  for (const char* bad : {"-5", "x", ""}) {
    auto r = run_zub({"map", dir.path(), "-n", bad});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zub map: -n 뒤에 숫자가 와야 한다\n");
  }
  auto r = run_zub({"map", dir.path(), "-n"});
  EXPECT_EQ(r.err, "zub map: -n 뒤에 숫자가 와야 한다\n");
}

TEST(FrontEnd, ClosedStandardOutputEndsQuietly) {
  zub_test::TempDir dir;
  std::string big;
  for (int i = 0; i < 200000; ++i) big += "line " + std::to_string(i) + "\n";
  const std::string f = dir.write("big.txt", big);
  // head closes the pipe after one line; zub must not print an error.
  zub::ProcessResult r = zub::run_process(
      {"sh", "-c", std::string("'") + ZUB_BINARY + "' read '" + f + "' '" + f + "' | head -n 1"});
  EXPECT_EQ(r.out, "== " + f + " (전체) ==\n");
  EXPECT_EQ(r.err, "");
}

TEST(FrontEnd, AFailedWriteIsNeverReportedAsSuccess) {
  zub_test::TempDir dir;
  std::string big;
  for (int i = 0; i < 200000; ++i) big += "line " + std::to_string(i) + "\n";
  const std::string f = dir.write("big.txt", big);
  // $0 is zub and $1 the file in every script below.
  auto run = [&](const std::string& script) {
    return zub::run_process({"bash", "-c", "set -o pipefail; " + script, ZUB_BINARY, f});
  };
  zub::ProcessResult full = run("\"$0\" read \"$1\" > /dev/full");
  EXPECT_EQ(full.exit_code, 2);
  EXPECT_EQ(full.err, "zub: 표준 출력에 쓸 수 없다: No space left on device (os error 28)\n");
  zub::ProcessResult closed = run("\"$0\" read \"$1\" >&-");
  EXPECT_EQ(closed.exit_code, 2);
  EXPECT_EQ(closed.err, "zub: 표준 출력에 쓸 수 없다: Bad file descriptor (os error 9)\n");

  // A reader that stops early keeps a failed path failed, whether the
  // failure came before or after the pipe closed; success stays success.
  for (const char* order : {"missing \"$1\"", "\"$1\" 1-9 missing"}) {
    zub::ProcessResult r = run(std::string("\"$0\" read ") + order + " | head -c 10 >/dev/null");
    EXPECT_EQ(r.exit_code, 2) << order;
    EXPECT_EQ(r.err, "zub: missing: No such file or directory (os error 2)\n") << order;
  }
  zub::ProcessResult fine = run("\"$0\" read \"$1\" | head -c 10 >/dev/null");
  EXPECT_EQ(fine.exit_code, 0);
  EXPECT_EQ(fine.err, "");
}
