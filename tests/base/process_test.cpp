#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "base/file_io.h"
#include "base/process.h"
#include "support/run_zub.h"

using namespace zub;

TEST(Process, CapturesBothStreamsAndTheExitStatus) {
  ProcessResult r = run_process({"sh", "-c", "printf out; printf err >&2; exit 3"});
  ASSERT_TRUE(r.started);
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.out, "out");
  EXPECT_EQ(r.err, "err");
}

TEST(Process, LargeOutputOnBothStreamsDoesNotDeadlock) {
  // 4 MB to each stream, far beyond a pipe buffer, interleaved.
  ProcessResult r = run_process({"sh", "-c",
                                 "head -c 4000000 /dev/zero | tr '\\0' a & head -c 4000000 "
                                 "/dev/zero | tr '\\0' b >&2; wait"});
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out.size(), 4000000u);
  EXPECT_EQ(r.err.size(), 4000000u);
}

TEST(Process, StdinGivenOrEmpty) {
  ProcessOptions o;
  o.stdin_data = std::string(1 << 20, 'q');  // larger than the pipe buffer
  ProcessResult r = run_process({"wc", "-c"}, o);
  EXPECT_EQ(r.out, "1048576\n");
  r = run_process({"wc", "-c"});
  EXPECT_EQ(r.out, "0\n");
  // A child that never reads its input still finishes.
  o.stdin_data = std::string(1 << 20, 'q');
  r = run_process({"true"}, o);
  EXPECT_TRUE(r.exited);
}

TEST(Process, MissingProgramAndSignals) {
  ProcessResult r = run_process({"zub-no-such-program-xyz"});
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.start_error, ENOENT);
  r = run_process({"sh", "-c", "kill -TERM $$"});
  ASSERT_TRUE(r.started);
  EXPECT_FALSE(r.exited);
  EXPECT_EQ(r.signal, 15);
}

TEST(Process, ReadingStopsShortlyAfterTheChildEndsWhenAsked) {
  // The background sleep holds both pipes for a minute after sh has ended;
  // its pid is printed so that it can be ended here.
  ProcessOptions o;
  o.read_after_exit_ms = 1000;
  const auto start = std::chrono::steady_clock::now();
  ProcessResult r =
      run_process({"sh", "-c", "sleep 60 & echo $!; (sleep 0.1; echo late) & exit 4"}, o);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const size_t nl = r.out.find('\n');
  if (nl != std::string::npos) ::kill(std::stoi(r.out.substr(0, nl)), SIGKILL);
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exit_code, 4);
  EXPECT_LT(seconds, 10.0);
  // What arrives within the grace period after the exit is kept.
  EXPECT_EQ(r.out.substr(nl + 1), "late\n");
}

TEST(Process, EnvironmentOverrides) {
  ProcessOptions o;
  o.env_set = {"ZUB_T1=one"};
  o.env_unset = {"HOME"};
  ProcessResult r = run_process({"sh", "-c", "printf '%s|%s' \"$ZUB_T1\" \"${HOME-unset}\""}, o);
  EXPECT_EQ(r.out, "one|unset");
}

TEST(FileIo, PrefixReadsStopAtTheLimitAndAtomicWritesReplace) {
  zub_test::TempDir dir;
  const std::string p = dir.write("f", std::string(100000, 'x'));
  ReadResult r = read_file_prefix(p, 10);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.data.size(), 10u);
  EXPECT_TRUE(r.capped);
  r = read_file(p);
  EXPECT_EQ(r.data.size(), 100000u);
  EXPECT_FALSE(r.capped);
  r = read_file(dir / "missing");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.err, ENOENT);
  EXPECT_TRUE(write_file_atomic(p, "new"));
  EXPECT_EQ(read_file(p).data, "new");
}

TEST(FileIo, AMappedFileTruncatedUnderUsReadsZerosInsteadOfCrashing) {
  zub_test::TempDir dir;
  const std::string p = dir.write("big", std::string(1 << 20, 'x'));  // mapped size
  const ReadResult view = read_file_view(p);
  ASSERT_TRUE(view.ok);
  ASSERT_TRUE(view.mapped());
  ASSERT_EQ(truncate(p.c_str(), 4096), 0);
  // Touch every page: beyond the new end each read would raise SIGBUS.
  size_t xs = 0, zeros = 0;
  for (char c : view.text()) (c == 'x' ? xs : zeros) += 1;
  EXPECT_EQ(xs + zeros, size_t{1} << 20);
  EXPECT_GE(xs, 4096u);
  EXPECT_GT(zeros, 0u);
}
