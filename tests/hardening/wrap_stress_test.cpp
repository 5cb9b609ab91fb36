// `wrap` under pressure: a command that prints hundreds of megabytes, one
// that closes its output early and keeps running, and one that leaves a
// background process holding the output pipe.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "base/number.h"
#include "base/unicode.h"
#include "hardening/bounded_run.h"

using zub_test::BoundedRun;
using zub_test::kSanitized;
using zub_test::run_bounded;

TEST(HardeningWrap, HundredsOfMegabytesOfOutputAreFoldedToTwoLines) {
  const uint64_t size = kSanitized ? 100'000'000 : 500'000'000;
  const std::string line = "compiling module with a long enough line of output";
  // Standard error is compared whole: no note on the kept raw output. The
  // largest cap is none: the whole output is folded, not its head and tail.
  zub_test::RunOptions no_raw;
  no_raw.env_set = {"ZUB_NO_RAW=1", "ZUB_FILTER_MAX=18446744073709551615"};
  BoundedRun r = run_bounded(
      {"wrap", "--", "sh", "-c", "yes '" + line + "' | head -c " + std::to_string(size)}, 120,
      no_raw);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  // Every whole line but the first is a repeat; the cut last line is new.
  const uint64_t whole = size / (line.size() + 1);
  const uint64_t rest = size % (line.size() + 1);
  ASSERT_GT(rest, 0u);
  EXPECT_EQ(r.run.out, line + "\n" + line.substr(0, rest) +
                           "\n[zub trim: " + std::to_string(whole - 1) +
                           " dup lines collapsed, 0 chars over 200-col cut, 0 blank lines]\n");
  EXPECT_EQ(r.run.err, "");
}

TEST(HardeningWrap, CommandThatClosesItsOutputEarlyIsStillWaitedFor) {
  BoundedRun r =
      run_bounded({"wrap", "--", "sh", "-c", "echo before; exec >&- 2>&-; sleep 0.3; exit 3"}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 3);
  EXPECT_EQ(r.run.out, "before\n");
  EXPECT_EQ(r.run.err, "[zub wrap: exit 3]\n");
  EXPECT_GE(r.seconds, 0.3) << "the exit status came before the command ended";
}

TEST(HardeningWrap, BackgroundProcessHoldingThePipeDoesNotHoldTheRun) {
  // The background sleep inherits the output pipe and would keep it open
  // for 60 seconds; its pid is printed so the test can end it.
  BoundedRun r = run_bounded({"wrap", "--", "sh", "-c", "sleep 60 & echo $!"}, 40);
  const auto pid = zub::parse_u64(zub::trim_ws(r.run.out));
  if (pid) ::kill(static_cast<pid_t>(*pid), SIGKILL);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0);
  EXPECT_TRUE(pid.has_value()) << r.run.out;
  EXPECT_LT(r.seconds, 20.0) << "wrap waited for the background process";

  // Output that background work writes right after the command ends is
  // still part of the capture.
  r = run_bounded({"wrap", "--", "sh", "-c", "(sleep 0.2; echo late) & echo started; exit 5"}, 40);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 5);
  EXPECT_EQ(r.run.out, "started\nlate\n");
  EXPECT_EQ(r.run.err, "[zub wrap: exit 5]\n");
}
