// Oversized inputs met end to end: a sparse gigabyte file, a single line of
// 100 MB. Each run has a hard time limit, so a hang or a quadratic scan
// fails instead of stalling the suite.
#include <gtest/gtest.h>

#include <string>

#include "hardening/bounded_run.h"

using zub_test::BoundedRun;
using zub_test::kSanitized;
using zub_test::make_sparse_file;
using zub_test::run_bounded;
using zub_test::run_bounded_via;
using zub_test::TempDir;

TEST(HardeningBigInputs, ByteModeOnASparseGigabyteReadsOnlyThePrefix) {
  TempDir tmp;
  const std::string big = tmp / "big.bin";
  make_sparse_file(big, uint64_t{1} << 30, "alpha\nbeta\n");

  // Address space capped well below the file size (the sanitizers reserve
  // huge shadow regions, so the cap is left off there): reading the whole
  // file instead of its prefix fails the allocation.
  std::vector<std::string> prefix;
  if (!kSanitized) prefix = {"sh", "-c", "ulimit -v 400000 && exec \"$@\"", "sh"};
  BoundedRun r = run_bounded_via(prefix, {"read", "-c", "100", big}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  // 100 bytes: two whole lines and 89 NUL bytes of a line that is cut off.
  EXPECT_EQ(r.run.out, "alpha\nbeta\n[zub read: 앞 100 bytes 만 (잘린 마지막 줄 제외)]\n");
  EXPECT_EQ(r.run.err, "");

  // A line range near the top stops reading early, whatever the size.
  r = run_bounded({"read", big, "1-2"}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "alpha\nbeta\n");
}

TEST(HardeningBigInputs, HundredMegabyteLineIsElidedByReadOutlineAndTrim) {
  TempDir tmp;
  const size_t big = kSanitized ? 20'000'000 : 100'000'000;
  std::string text = "fn first() {}\n";
  text.append(big, 'x');
  text += "\nfn last() {}\n";
  const std::string file = tmp.write("long.rs", text);
  const std::string removed = std::to_string(big - 200);
  const std::string elided_line =
      std::string(140, 'x') + "…" + removed + "c…" + std::string(60, 'x') + "\n";

  BoundedRun r = run_bounded({"read", file}, 60);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "fn first() {}\n" + elided_line + "fn last() {}\n[zub read: " + removed +
                           " chars over 200-col elided]\n");

  r = run_bounded({"outline", file}, 60);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "== " + file + " (3 lines, 본문 생략) ==\n1| fn first() {}\n3| fn last() {}\n");

  zub_test::RunOptions in;
  in.has_stdin = true;
  in.stdin_data = std::move(text);
  r = run_bounded({"trim"}, 60, in);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "fn first() {}\n" + elided_line + "fn last() {}\n[zub trim: 0 dup lines collapsed, " +
                           removed + " chars over 200-col cut, 0 blank lines]\n");
}
