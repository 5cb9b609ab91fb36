// End-to-end tests of the PreToolUse hook: event sequences per session, the
// probe file and its handling in a temporary directory others can write to.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "base/process.h"
#include "support/run_zub.h"

using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

const std::string kBatchAnswer =
    "{\"hookSpecificOutput\":{\"hookEventName\":\"PreToolUse\",\"additionalContext\":\""
    "직전 3개 요청이 전부 read-only 탐색이었다. 요청 1건 = 컨텍스트 ~82.5K 이고 출력 크기는 "
    "비용의 0.8% 뿐이라, 비용을 정하는 건 요청 횟수다. 판정 한 줄: \\\"직전 결과에 의존하는가?\\\" "
    "아니면 지금 같이 보내라: `a; echo '== B =='; b; echo '== C =='; c`. 매치 주변이 필요하면 "
    "`zub grep -C 3` 한 콜(grep→read 왕복 제거), 레포 개관은 `zub brief ROOT`, 여러 후보 동시 "
    "검색은 `zub grep -e A -e B -e C ROOT`.\"}}\n";

const std::string kSleepAnswer =
    "{\"hookSpecificOutput\":{\"hookEventName\":\"PreToolUse\",\"additionalContext\":\""
    "루프 없는 단발 `sleep` 이다. 대기는 요청 경계 밖으로 빼라: `until curl -sf "
    "localhost:PORT/health; do sleep 2; done` 한 콜로 끝난다. 수 분 이상이면 "
    "run_in_background 를 써라(완료 시 자동 재호출되므로 폴링이 불필요하다).\"}}\n";

// The hint for a build command; `form` as it stands inside the JSON string.
std::string wrap_answer(const std::string& form) {
  return "{\"hookSpecificOutput\":{\"hookEventName\":\"PreToolUse\",\"additionalContext\":\""
         "빌드·테스트·린트 출력은 `zub wrap --diag` 로 돌리면 에러·실패만 남는다(종료코드 보존, "
         "원문은 보관): `" +
         form + "`\"}}\n";
}

// Escapes a command for a JSON string the way the host would.
std::string json_string(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

std::string bash_event(const std::string& session, const std::string& command) {
  return "{\"session_id\":" + json_string(session) +
         ",\"transcript_path\":\"/x.jsonl\",\"cwd\":\"/w\",\"permission_mode\":\"default\","
         "\"hook_event_name\":\"PreToolUse\",\"tool_name\":\"Bash\",\"tool_input\":{\"command\":" +
         json_string(command) +
         ",\"description\":\"d\"},\"effort\":{\"level\":\"high\"},"
         "\"tool_use_id\":\"toolu_1\"}";
}

struct Hook {
  const TempDir& tmp;
  zub_test::Run send(const std::string& event) const {
    RunOptions o;
    o.has_stdin = true;
    o.stdin_data = event;
    o.env_set = {"TMPDIR=" + tmp.path()};
    return run_zub({"hook"}, o);
  }
  // Sends one Bash command and returns what the hook printed.
  std::string bash(const std::string& session, const std::string& command) const {
    auto r = send(bash_event(session, command));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    return r.out;
  }
  std::string probe(const std::string& id) const {
    std::ifstream f(tmp / ("zub-probe-" + id));
    if (!f) return "<missing>";
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
};

std::string read_all(const std::string& path) {
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace

TEST(HookTest, ThirdReadOnlyCallInARowGetsTheBatchingNudge) {
  TempDir t;
  Hook h{t};
  EXPECT_EQ(h.bash("s1", "ls"), "");
  EXPECT_EQ(h.probe("s1"), "1");
  EXPECT_EQ(h.bash("s1", "cat a.txt"), "");
  EXPECT_EQ(h.probe("s1"), "2");
  EXPECT_EQ(h.bash("s1", "git status"), kBatchAnswer);
  EXPECT_EQ(h.probe("s1"), "0");
  // The count starts over after a nudge.
  EXPECT_EQ(h.bash("s1", "ls"), "");
  EXPECT_EQ(h.bash("s1", "ls"), "");
  EXPECT_EQ(h.bash("s1", "ls"), kBatchAnswer);
}

TEST(HookTest, OtherToolsKeepTheCountWritesResetIt) {
  TempDir t;
  Hook h{t};
  EXPECT_EQ(h.bash("s", "ls"), "");
  EXPECT_EQ(h.bash("s", "head -5 f"), "");
  auto edit = h.send(
      R"({"session_id":"s","tool_name":"Edit","tool_input":{"file_path":"/a","command":"x"}})");
  EXPECT_EQ(edit.status, 0);
  EXPECT_EQ(edit.out, "");
  EXPECT_EQ(h.probe("s"), "2");
  EXPECT_EQ(h.bash("s", "grep -n x f"), kBatchAnswer);

  EXPECT_EQ(h.bash("s", "ls"), "");
  EXPECT_EQ(h.bash("s", "echo hi > out.txt"), "");
  EXPECT_EQ(h.probe("s"), "0");
  EXPECT_EQ(h.bash("s", "cat out.txt"), "");
  EXPECT_EQ(h.bash("s", "git diff"), "");
  EXPECT_EQ(h.bash("s", "make"), wrap_answer("zub wrap --diag -- make"));
  EXPECT_EQ(h.probe("s"), "0");
  EXPECT_EQ(h.bash("s", "git push"), "");
  EXPECT_EQ(h.bash("s", "git stash"), "");
  EXPECT_EQ(h.probe("s"), "0");
}

TEST(HookTest, PrefixesAndProgramPaths) {
  TempDir t;
  Hook h{t};
  EXPECT_EQ(h.bash("p", "FOO=1 grep -r x src"), "");
  EXPECT_EQ(h.bash("p", "env LC_ALL=C cat f"), "");
  EXPECT_EQ(h.probe("p"), "2");
  EXPECT_EQ(h.bash("p", "/usr/bin/cat f"), "");  // a path is not recognised
  EXPECT_EQ(h.probe("p"), "0");
  EXPECT_EQ(h.bash("p", "A=1 B=2 wc -l f"), "");
  EXPECT_EQ(h.bash("p", "git log --oneline -5 --stat"), "");
  EXPECT_EQ(h.bash("p", "export X=1 tree"), kBatchAnswer);
}

TEST(HookTest, BuildCommandsGetTheirWrapFormOncePerSessionAndProgram) {
  TempDir t;
  Hook h{t};
  EXPECT_EQ(h.bash("w", "ls"), "");
  EXPECT_EQ(h.bash("w", "make -j8 CFLAGS=-O2"),
            wrap_answer("zub wrap --diag -- make -j8 CFLAGS=-O2"));
  EXPECT_EQ(h.probe("w"), "0");  // not read-only: the batching count starts over
  EXPECT_EQ(h.bash("w", "make test"), "");
  EXPECT_EQ(h.bash("w", "cargo run"), "");
  EXPECT_EQ(h.bash("w", "cargo test --all"), wrap_answer("zub wrap --diag -- cargo test --all"));
  // Shell syntax, assignments and quotes: the whole command goes through sh.
  EXPECT_EQ(h.bash("w", "FOO=1 npm run build 2>&1 | tail -5"),
            wrap_answer("zub wrap --diag -- sh -c 'FOO=1 npm run build 2>&1 | tail -5'"));
  EXPECT_EQ(
      h.bash("w", R"(python3 -m pytest -k 'a and "b"')"),
      wrap_answer(R"(zub wrap --diag -- sh -c 'python3 -m pytest -k '\\''a and \"b\"'\\''')"));
  // Already under zub: no hint, and the program's hint is still to come.
  EXPECT_EQ(h.bash("w", "zub wrap -- go test ./..."), "");
  EXPECT_EQ(h.bash("w", "make 2>&1 | zub diag"), "");
  EXPECT_EQ(h.bash("w", "go vet ./..."), wrap_answer("zub wrap --diag -- go vet ./..."));
  for (const char* other : {"cmake -S . -B b", "go run .", "npm install", "python3 x.py",
                            "makefile-check", "yarn add x", "dotnet run"})
    EXPECT_EQ(h.bash("w", other), "") << other;
  // Another session gets its own hints.
  EXPECT_EQ(h.bash("v", "make"), wrap_answer("zub wrap --diag -- make"));
}

TEST(HookTest, SleepAloneAndInALoop) {
  TempDir t;
  Hook h{t};
  EXPECT_EQ(h.bash("z", "ls"), "");
  EXPECT_EQ(h.bash("z", "ls"), "");
  EXPECT_EQ(h.bash("z", "sleep 5"), kSleepAnswer);
  EXPECT_EQ(h.probe("z"), "0");
  EXPECT_EQ(h.bash("z", "ls"), "");
  EXPECT_EQ(h.bash("z", "while ! test -f done; do sleep 1; done"), "");
  EXPECT_EQ(h.probe("z"), "0");
  EXPECT_EQ(h.bash("z", "until curl -sf localhost:8080/health; do sleep 2; done"), "");
  EXPECT_EQ(h.bash("z", "ls"), "");
  EXPECT_EQ(h.bash("z", "for i in 1 2 3; do\n  sleep 1\ndone"), "");
  EXPECT_EQ(h.probe("z"), "0");
}

TEST(HookTest, SessionsHaveTheirOwnProbeFiles) {
  TempDir t;
  Hook h{t};
  const std::string long_id = "Ab-" + std::string(60, '7');
  EXPECT_EQ(h.bash("a/../b!c", "ls"), "");
  EXPECT_EQ(h.probe("abc"), "1");
  EXPECT_EQ(h.bash(long_id, "ls"), "");
  EXPECT_EQ(h.probe(long_id.substr(0, 48)), "1");
  auto nosession = h.send(R"({"tool_name":"Bash","tool_input":{"command":"pwd"}})");
  EXPECT_EQ(nosession.out, "");
  EXPECT_EQ(h.probe("x"), "1");
  EXPECT_EQ(h.bash("a/../b!c", "ls"), "");
  EXPECT_EQ(h.bash(long_id, "ls"), "");
  EXPECT_EQ(h.bash("a/../b!c", "ls"), kBatchAnswer);
  EXPECT_EQ(h.probe(long_id.substr(0, 48)), "2");
  EXPECT_EQ(h.probe("x"), "1");
}

TEST(HookTest, MalformedInputFallsToTheQuietPath) {
  TempDir t;
  Hook h{t};
  const char* events[] = {
      "",
      "not json at all",
      R"({"tool_name":"Bash"})",
      R"({"tool_name":"Read","tool_input":{"file_path":"/a"}})",
      R"({"tool_name":"bash","tool_input":{"command":"ls"}})",
      R"({"tool_name":5,"tool_input":{"command":"ls"}})",
      R"({"tool_name":"Bash","tool_input":{"command":["ls"]}})",
      "{\"tool_name\":\"Bash\",\"tool_input\":{\"command\":\"\xff\xfe ls",
  };
  for (const char* e : events) {
    auto r = h.send(e);
    EXPECT_EQ(r.status, 0) << e;
    EXPECT_EQ(r.out, "") << e;
    EXPECT_EQ(r.err, "") << e;
  }
  // An unterminated command is no command: nothing reached the probe file.
  EXPECT_EQ(h.probe("x"), "<missing>");
  RunOptions quiet;
  quiet.env_set = {"TMPDIR=" + t.path()};
  auto empty = run_zub({"hook"}, quiet);  // standard input is /dev/null
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "");
  // Standard input closed altogether: unreadable, still quiet and 0.
  zub::ProcessOptions po;
  po.env_set = quiet.env_set;
  auto closed = zub::run_process({"sh", "-c", "exec \"$0\" hook <&-", ZUB_BINARY}, po);
  EXPECT_TRUE(closed.exited);
  EXPECT_EQ(closed.exit_code, 0);
  EXPECT_EQ(closed.out, "");
  EXPECT_EQ(closed.err, "");
}

TEST(HookTest, EscapedCharactersAreDecodedBeforeClassifying) {
  TempDir t;
  Hook h{t};
  // "\u0063at f" is "cat f" and "\u0073leep 5" is "sleep 5" once decoded.
  const std::string cat =
      R"({"session_id":"u","tool_name":"B\u0061sh","tool_input":{"command":"\u0063at f"}})";
  EXPECT_EQ(h.send(cat).out, "");
  EXPECT_EQ(h.probe("u"), "1");
  EXPECT_EQ(h.send(cat).out, "");
  EXPECT_EQ(h.send(cat).out, kBatchAnswer);
  EXPECT_EQ(h.send(R"({"tool_name":"Bash","tool_input":{"command":"\u0073leep 5"}})").out,
            kSleepAnswer);
}

TEST(HookTest, GarbageProbeCountsAsZero) {
  TempDir t;
  Hook h{t};
  struct {
    const char* content;
    const char* after_one;  // probe after one read-only call
  } cases[] = {{"garbage", "1"}, {"", "1"},   {"-1", "1"},      {"99999999999", "1"},
               {" 1\n", "2"},    {"+1", "2"}, {"\xff\xfe", "1"}};
  for (const auto& c : cases) {
    t.write("zub-probe-g", c.content);
    EXPECT_EQ(h.bash("g", "ls"), "") << c.content;
    EXPECT_EQ(h.probe("g"), c.after_one) << c.content;
  }
  t.write("zub-probe-g", "4294967295");  // the largest count still parses
  EXPECT_EQ(h.bash("g", "ls"), kBatchAnswer);
  t.write("zub-probe-g", std::string(100, '0') + "2");  // too long to be ours
  EXPECT_EQ(h.bash("g", "ls"), "");
  EXPECT_EQ(h.probe("g"), "1");
}

TEST(HookTest, PlantedLinksAndForeignFilesAreNeverWrittenThrough) {
  TempDir t;
  Hook h{t};
  // A link at the probe path to a file of the victim's: not read, not written.
  std::string victim = t.write("victim.txt", "2");
  ASSERT_EQ(symlink(victim.c_str(), (t / "zub-probe-evil").c_str()), 0);
  EXPECT_EQ(h.bash("evil", "ls"), "");  // the link's target is not taken as the count
  EXPECT_EQ(read_all(victim), "2");
  struct stat st;
  ASSERT_EQ(lstat((t / "zub-probe-evil").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(h.probe("evil"), "1");

  // A dangling link must not create its target either.
  ASSERT_EQ(symlink((t / "created-by-hook").c_str(), (t / "zub-probe-dangle").c_str()), 0);
  EXPECT_EQ(h.bash("dangle", "touch x"), "");
  EXPECT_NE(access((t / "created-by-hook").c_str(), F_OK), 0);

  // A hard link to another file: the other file keeps its content.
  std::string other = t.write("other.txt", "1");
  ASSERT_EQ(link(other.c_str(), (t / "zub-probe-hard").c_str()), 0);
  EXPECT_EQ(h.bash("hard", "touch x"), "");
  EXPECT_EQ(read_all(other), "1");
  EXPECT_EQ(h.probe("hard"), "0");

  // A planted pipe neither blocks the hook nor counts.
  ASSERT_EQ(mkfifo((t / "zub-probe-fifo").c_str(), 0666), 0);
  EXPECT_EQ(h.bash("fifo", "ls"), "");
  EXPECT_EQ(h.probe("fifo"), "1");

  // A file someone else owns is not trusted for its count.
  if (geteuid() == 0) {
    std::string foreign = t.write("zub-probe-foreign", "2");
    ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_EQ(h.bash("foreign", "ls"), "");
    EXPECT_EQ(h.probe("foreign"), "1");
  }

  // No temporary files are left behind.
  for (const char* leftover : {"zub-probe-evil.", "zub-probe-hard."}) {
    std::string cmd = "ls " + t.path() + " | grep -q '^" + leftover + "'";
    EXPECT_NE(std::system(cmd.c_str()), 0) << leftover;
  }
}
