#include "compress/wrap.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "base/process.h"
#include "support/run_zub.h"
#include "support/temp_dir.h"

using zub_test::run_zub;
using zub_test::run_zub_stdin;

namespace {

// Hex of every byte, as `od -An -tx1` prints it once the spaces are gone.
std::string hex(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string h;
  for (unsigned char c : s) {
    h.push_back(digits[c >> 4]);
    h.push_back(digits[c & 15]);
  }
  return h;
}

}  // namespace

TEST(Wrap, ShellCommandLineQuotesEveryWord) {
  EXPECT_EQ(zub::shell_command_line({"make", "it's"}), "'make' 'it'\\''s' 2>&1");
  EXPECT_EQ(zub::shell_command_line({"", "''"}), "'' ''\\'''\\''' 2>&1");
}

TEST(Wrap, EveryArgumentByteReachesTheCommand) {
  // The wrapped program prints each of its arguments as hex on its own line,
  // so any change to any byte shows.
  const std::vector<std::string> words = {"it's",
                                          "a|b",
                                          "$HOME",
                                          "`id`",
                                          "$(echo x)",
                                          "line1\nline2",
                                          "\xff\xfe\x80",
                                          "",
                                          "--",
                                          "-w",
                                          "  spaced  ",
                                          "\\",
                                          "'",
                                          "''",
                                          "*",
                                          ";",
                                          "&&",
                                          "\"q\"",
                                          "2>&1"};
  std::vector<std::string> args = {
      "wrap",   "--raw", "--",
      "sh",     "-c",    "for a; do printf %s \"$a\" | od -An -tx1 -v | tr -d ' \\n'; echo; done",
      "argdump"};
  args.insert(args.end(), words.begin(), words.end());
  auto r = run_zub(args);
  std::string want;
  for (const auto& w : words) want += hex(w) + "\n";
  EXPECT_EQ(r.out, want);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
}

TEST(Wrap, ExitStatusAndNote) {
  auto f = run_zub({"wrap", "--", "false"});
  EXPECT_EQ(f.out, "");
  EXPECT_EQ(f.err, "[zub wrap: exit 1]\n");
  EXPECT_EQ(f.status, 1);

  auto three = run_zub({"wrap", "sh", "-c", "echo out; echo err >&2; exit 3"});
  EXPECT_EQ(three.out, "out\nerr\n");
  EXPECT_EQ(three.err, "[zub wrap: exit 3]\n");
  EXPECT_EQ(three.status, 3);

  auto ok = run_zub({"wrap", "--", "true"});
  EXPECT_EQ(ok.out + ok.err, "");
  EXPECT_EQ(ok.status, 0);

  // A command the shell cannot find is the shell's business: code 127.
  auto missing = run_zub({"wrap", "--", "zub-no-such-command-here"});
  EXPECT_NE(missing.out.find("zub-no-such-command-here"), std::string::npos);
  EXPECT_EQ(missing.err, "[zub wrap: exit 127]\n");
  EXPECT_EQ(missing.status, 127);

  // Ended by a signal: status 1 (exec makes the killed shell our child).
  auto killed = run_zub({"wrap", "--", "exec", "sh", "-c", "kill -KILL $$"});
  EXPECT_EQ(killed.err, "[zub wrap: exit 1]\n");
  EXPECT_EQ(killed.status, 1);
}

TEST(Wrap, NoCommandAndShellThatCannotStart) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"wrap"}, {"wrap", "--raw"}, {"wrap", "-w"}, {"wrap", "--diag", "--"}}) {
    auto r = run_zub(args);
    EXPECT_EQ(r.out, "");
    // The reason, then wrap's lines, as read and grep without operands.
    EXPECT_EQ(
        r.err.rfind("zub wrap: 실행할 명령이 없다\n\nwrap [--diag|--logs|--raw] -- CMD...", 0), 0u)
        << r.err;
    EXPECT_EQ(r.status, 2);
  }
  zub_test::RunOptions o;
  o.env_set = {"PATH=/nonexistent-zub-dir"};
  auto r = run_zub({"wrap", "--", "true"}, o);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "zub wrap: No such file or directory (os error 2)\n");
  EXPECT_EQ(r.status, 127);
}

// A shell line is never taken for the name of a file: not after -c, and
// not as one argument holding a space, even when the repository ships an
// executable of exactly that name.
TEST(Wrap, AShellLineIsNeverAFileName) {
  zub_test::TempDir dir;
  dir.write("echo planted", "#!/bin/sh\necho PLANTED\n");
  ASSERT_EQ(::chmod((dir / "echo planted").c_str(), 0755), 0);
  zub_test::RunOptions o;
  o.cwd = dir.path();
  o.env_set = {"PATH=.:" + std::string(std::getenv("PATH"))};
  struct Want {
    std::vector<std::string> args;
    std::string out;
    int status;
  };
  for (const Want& w : std::vector<Want>{
           {{"wrap", "echo planted"}, "planted\n", 0},
           {{"wrap", "-c", "echo planted"}, "planted\n", 0},
           {{"wrap", "--raw", "-c", "exit 3"}, "", 3},
           // sh -c's words after the line: $0, $1.
           {{"wrap", "-c", "echo \"$0-$1\"", "a", "b"}, "a-b\n", 0},
       }) {
    const auto r = run_zub(w.args, o);
    EXPECT_EQ(r.out, w.out) << ::testing::PrintToString(w.args);
    EXPECT_EQ(r.status, w.status) << ::testing::PrintToString(w.args) << r.err;
  }
}

TEST(Wrap, ModesAndWidth) {
  // 60 lines of 120 bytes that differ only in a number; 7 KB of output.
  const std::string gen =
      "i=0; while [ $i -lt 60 ]; do printf 'row %03d %0112d\\n' $i 0; i=$((i+1)); done";
  auto trimmed = run_zub({"wrap", "-w", "80", "--", "sh", "-c", gen});
  EXPECT_EQ(trimmed.status, 0);
  EXPECT_EQ(trimmed.out.substr(0, 56 + 3), "row 000 " + std::string(48, '0') + "\u2026");
  EXPECT_NE(trimmed.out.find(
                "[zub trim: 0 dup lines collapsed, 2400 chars over 80-col cut, 0 blank lines]\n"),
            std::string::npos);

  // "-w --" takes "--" as a width that does not parse: width 200, command next.
  auto wide = run_zub({"wrap", "-w", "--", "sh", "-c", gen});
  EXPECT_EQ(wide.status, 0);
  EXPECT_EQ(wide.out.find("\u2026"), std::string::npos);
  EXPECT_EQ(wide.out.size(), 60u * 121);

  auto logs = run_zub({"wrap", "--raw", "--logs", "sh", "-c", gen});
  EXPECT_EQ(logs.out,
            "row 000 " + std::string(112, '0') + "  \u00d760\n[60 lines in -> 1 unique]\n");

  // Output of no known shape is shown as trim shows it, not as diag's
  // refusal alone.
  auto diag = run_zub({"wrap", "--diag", "--", "sh", "-c", gen});
  EXPECT_EQ(diag.out,
            wide.out + "[zub wrap: 빌드·테스트 로그 모양이 아니라 --diag 대신 trim 으로 보였다]\n");

  // Under 2048 bytes trim passes the capture through untouched.
  auto small = run_zub({"wrap", "printf", "a\\n\\na\\n\\n\\n"});
  EXPECT_EQ(small.out, "a\n\na\n\n\n");
}

TEST(Wrap, StandardInputIsEmptyAndOutputIsDecodedLossily) {
  auto r = run_zub_stdin({"wrap", "--", "cat"}, "zub's own input must not reach the command\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);

  auto bad = run_zub({"wrap", "--raw", "--", "printf", "\\377ok\\n"});
  EXPECT_EQ(bad.out, "\xEF\xBF\xBDok\n");
  EXPECT_EQ(bad.status, 0);
}

TEST(Wrap, HeavyInterleavedOutputKeepsOrderAndLeavesNoChild) {
  zub::WrapOptions opts;
  opts.mode = zub::WrapMode::kRaw;
  opts.command = {
      "sh", "-c",
      "i=0; while [ $i -lt 20000 ]; do echo out$i; echo err$i >&2; i=$((i+1)); done; "
      "head -c 4000000 /dev/zero | tr '\\0' e >&2; head -c 4000000 /dev/zero | tr '\\0' o"};
  zub::Output out;
  out.capture = true;
  EXPECT_EQ(zub::cmd_wrap(opts, out).status, 0);
  std::string want;
  for (int i = 0; i < 20000; ++i)
    want += "out" + std::to_string(i) + "\nerr" + std::to_string(i) + "\n";
  want += std::string(4000000, 'e') + std::string(4000000, 'o');
  EXPECT_TRUE(out.out == want) << "capture differs; size " << out.out.size() << " vs "
                               << want.size();
  EXPECT_EQ(out.err, "");
  // The shell was waited for: nothing is left to reap.
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(Wrap, AReaderThatStopsEarlyDoesNotHideTheStatus) {
  // `head -c 1` closes the pipe after one byte; zub must still end with the
  // wrapped command's status (pipefail shows it) and its exit note, and say
  // nothing about the closed pipe.
  const std::string script = std::string("set -o pipefail 2>/dev/null || exit 99; '") + ZUB_BINARY +
                             "' wrap --raw -- sh -c 'seq 1 200000; exit 7' | head -c 1 >/dev/null";
  zub::ProcessResult r = zub::run_process({"bash", "-c", script});
  EXPECT_EQ(r.exit_code, 7);
  EXPECT_EQ(r.err, "[zub wrap: exit 7]\n");
}
