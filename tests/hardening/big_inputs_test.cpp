// Oversized inputs met end to end: a sparse gigabyte file, a single line of
// 100 MB. Each run has a hard time limit, so a hang or a quadratic scan
// fails instead of stalling the suite.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <string>

#include "base/text.h"
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

TEST(HardeningBigInputs, HundredMegabyteLineIsElidedByReadOutlineAndTheFilters) {
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
  EXPECT_EQ(r.run.out,
            "== " + file + " (3 lines, 본문 생략) ==\n1| fn first() {}\n3| fn last() {}\n");

  zub_test::RunOptions in;
  in.has_stdin = true;
  in.stdin_data = std::move(text);
  r = run_bounded({"logs"}, 60, in);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "fn first() {}\n" + std::string(200, 'x') +
                           "\nfn last() {}\n[3 lines in -> 3 unique]\n");
  r = run_bounded({"diag"}, 60, in);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_LT(r.run.out.size(), 1000u);
  r = run_bounded({"trim"}, 60, in);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "fn first() {}\n" + elided_line +
                           "fn last() {}\n[zub trim: 0 dup lines collapsed, " + removed +
                           " chars over 200-col cut, 0 blank lines]\n");
}

TEST(HardeningBigInputs, TwoGigabyteSparseFileIsSkippedByGrep) {
  TempDir tmp;
  const std::string root = tmp.mkdir("tree");
  tmp.write("tree/small.c", "needle here\n");
  make_sparse_file(root + "/huge.c", uint64_t{2} << 30, "needle too\n");
  std::vector<std::string> prefix;
  if (!kSanitized) prefix = {"sh", "-c", "ulimit -v 600000 && exec \"$@\"", "sh"};

  // Over the 2 MiB cap: never read at all, counted.
  BoundedRun r = run_bounded_via(prefix, {"grep", "needle", root}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "@ " + root +
                           "/\n── small.c\n1| needle here\n[1 files, 1 hits, 1 skipped for size "
                           "(--all)]\n");

  // With --all there is no cap, but NUL bytes in its head make it binary:
  // it is skipped without being read whole (the address-space cap above
  // would fail the allocation of 2 GB).
  r = run_bounded_via(prefix, {"grep", "--all", "needle", root}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "@ " + root + "/\n── small.c\n1| needle here\n[1 files, 1 hits]\n");
}

// Devices, /proc and endless pipes: whatever a file is, memory stays
// bounded. Under the address-space cap an unbounded read aborts the run.
TEST(HardeningBigInputs, DevicesProcFilesAndEndlessPipesAreReadWithinBounds) {
  std::vector<std::string> limit;
  if (!kSanitized) limit = {"sh", "-c", "ulimit -v 600000 && exec \"$@\"", "sh"};
  const std::string refused =
      "zub: /dev/zero: 장치·소켓 같은 특수 파일이라 읽지 않는다: 일반 파일을 지정해라\n";
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"read", "/dev/zero"},
                                             {"read", "-c", "10", "/dev/zero"},
                                             {"outline", "/dev/zero"},
                                             {"def", "foo", "/dev/zero"},
                                             {"grep", "--all", "foo", "/dev/zero"}}) {
    BoundedRun r = run_bounded_via(limit, args, 30);
    ASSERT_FALSE(r.timed_out) << args[0];
    EXPECT_EQ(r.run.status, 2) << args[0];
    EXPECT_EQ(r.run.err, refused) << args[0];
  }

  // /proc files report size 0 and some never end (pagemap): each is read at
  // most one byte past the size cap.
  BoundedRun r = run_bounded_via(limit, {"def", "main", "/proc/self"}, 60);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 1) << r.run.err;  // no definition there
  EXPECT_TRUE(zub::starts_with(r.run.out, "@ /proc/self/\n[")) << r.run.out;

  // A 3 GB file inside a tree is over def's size cap: passed over unread.
  TempDir tmp;
  const std::string root = tmp.mkdir("tree");
  tmp.write("tree/small.rs", "fn foo() {}\n");
  make_sparse_file(root + "/huge.rs", uint64_t{3} << 30, "fn foo() {\n}\n");
  r = run_bounded_via(limit, {"def", "foo", root}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out,
            "@ " + root +
                "/\n[1 definitions]\n── small.rs:1-1\n1| fn foo() {}\n[1 skipped for size "
                "(--all)]\n");

  // A pipe whose writer never stops: named directly it is read up to 32 MiB
  // and refused, a failure (status 2); inside a search it is passed over.
  const std::string fifo = tmp / "endless";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::vector<std::string> writer = {"sh", "-c", "yes > \"$0\" & exec 3<\"$0\"; exec \"$@\"", fifo};
  writer.insert(writer.end(), limit.begin(), limit.end());
  const std::string too_large =
      fifo +
      ": 32 MiB 를 넘어 읽기를 멈췄다(크기를 미리 알 수 없는 파이프·/proc 파일 등): "
      "앞부분은 `zub read --bytes N` 으로 읽어라\n";
  for (const char* sub : {"read", "outline"}) {
    r = run_bounded_via(writer, {sub, fifo}, 30);
    ASSERT_FALSE(r.timed_out) << sub;
    EXPECT_EQ(r.run.status, 2) << sub << r.run.err;
    EXPECT_EQ(r.run.out, too_large) << sub;
  }
  // grep counts the refused pipe, with or without --all (no flag reads it).
  for (const bool all : {true, false}) {
    std::vector<std::string> args = {"grep", "-c",  "-e", "y",
                                     "-e",   "foo", fifo, root + "/small.rs"};
    if (all) args.insert(args.begin() + 1, "--all");
    r = run_bounded_via(writer, args, 30);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.run.status, 0) << r.run.err;
    EXPECT_EQ(r.run.out,
              "1 " + root + "/small.rs\n[1 files, 1 hits, 1 skipped for size (over 32 MiB)]\n")
        << all;
  }
}

TEST(HardeningBigInputs, HundredMegabyteLineIsSearchedByGrep) {
  TempDir tmp;
  const size_t big = kSanitized ? 20'000'000 : 100'000'000;
  std::string text = "fn first() {}\n";
  text.append(big, 'x');
  text += "y\nfn last() {}\n";
  const std::string file = tmp.write("long.rs", text);
  const std::string long_line = std::string(120, 'x') + "…\n";

  // Beyond read's cap even when named: skipped and counted unless --all
  // (the sanitized build's smaller file is within the cap and read).
  BoundedRun r = run_bounded({"grep", "last", file}, 60);
  ASSERT_FALSE(r.timed_out);
  if (text.size() > (32u << 20)) {
    EXPECT_EQ(r.run.status, 1);
    EXPECT_EQ(r.run.out, "[0 files, 0 hits, 1 skipped for size (--all)]\n");
  } else {
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(r.run.out, "── " + file + "\n3| fn last() {}\n[1 files, 1 hits]\n");
  }

  // The hit at the end of the long line is shown with what comes just
  // before it.
  r = run_bounded({"grep", "--all", "-e", "last", "-e", "xy", file}, 60);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "── " + file + "\n2| …" + std::string(31, 'x') +
                           "y\n3| fn last() {}\n[1 files, 2 hits]\n");

  r = run_bounded({"grep", "--all", "-E", "x+y$|^fn l", file}, 60);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "── " + file + "\n2| " + long_line + "3| fn last() {}\n[1 files, 2 hits]\n");

  // Standard input has no cap.
  zub_test::RunOptions in;
  in.has_stdin = true;
  in.stdin_data = std::move(text);
  r = run_bounded({"grep", "-c", "xxy", "-"}, 60, in);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "1\n");
}

TEST(HardeningBigInputs, PatternOfTenThousandAlternatives) {
  TempDir tmp;
  const std::string root = tmp.mkdir("src");
  // 20 files of 500 lines: every third line calls one of the wanted
  // handlers, the others call helpers that share no name with them.
  int wanted = 0;
  for (int f = 0; f < 20; ++f) {
    std::string text;
    for (int l = 0; l < 500; ++l) {
      const int k = (f * 500 + l) * 7919 % 10000;
      if (l % 3 == 0) {
        text += "  int v" + std::to_string(l) + " = handler_" + std::to_string(k) + "(x);\n";
        ++wanted;
      } else {
        text += "  int v" + std::to_string(l) + " = helper_" + std::to_string(k) + "(x);\n";
      }
    }
    tmp.write("src/m" + std::to_string(f) + ".c", text);
  }
  std::string pattern;
  for (int i = 0; i < 10000; ++i) pattern += (i ? "|handler_" : "handler_") + std::to_string(i);
  const std::string summary = "[20 files, " + std::to_string(wanted) + " hits]\n";
  for (const std::vector<std::string>& flags :
       {std::vector<std::string>{}, {"-i"}, {"-w"}, {"-i", "-w"}}) {
    std::vector<std::string> args = {"grep", "-c", "-E"};
    args.insert(args.end(), flags.begin(), flags.end());
    args.insert(args.end(), {pattern, root});
    BoundedRun r = run_bounded(args, 60);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.run.status, 0) << r.run.err;
    EXPECT_TRUE(zub::ends_with(r.run.out, summary)) << flags.size() << ": " << r.run.out;
  }

  // Alternatives with loops, over many distinct words: the matcher's cache
  // of automaton states runs out and lines fall back to the thread
  // simulation, which must still answer right and in bounded time. A word
  // w{N}abc{s} matches when N < 10000 and s is x.
  std::string looping;
  for (int i = 0; i < 10000; ++i) looping += (i ? "|w" : "w") + std::to_string(i) + "[a-z]*x";
  std::string words;
  int matching = 0;
  uint32_t seed = 12345;
  const int lines = kSanitized ? 300 : 1500;
  for (int l = 0; l < lines; ++l) {
    bool any = false;
    for (int t = 0; t < 3; ++t) {
      seed = seed * 1103515245u + 12345u;
      const uint32_t n = (seed >> 8) % 20000;
      const bool x = (seed >> 4) % 2 == 0;
      words += 'w';
      words += std::to_string(n) + "abc" + (x ? "x " : "q ");
      any |= n < 10000 && x;
    }
    words += "\n";
    matching += any;
  }
  tmp.write("words/a.txt", words);
  BoundedRun r = run_bounded({"grep", "-c", "-E", looping, tmp / "words"}, 60);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  const std::string m = std::to_string(matching);
  EXPECT_EQ(r.run.out, "@ " + tmp.path() + "/words/\n" + m + " a.txt\n[1 files, " + m + " hits]\n");
}

// 27,000 section titles that all name the symbol, in 700 KB of
// reStructuredText and of plain text: def finds each one's section in one
// pass over the titles (it once took minutes, growing with their square).
TEST(HardeningBigInputs, DefOnTensOfThousandsOfDocumentTitlesIsLinear) {
  TempDir tmp;
  std::string doc;
  for (int i = 0; i < 27000; ++i) {
    const std::string title = "target " + std::to_string(i);
    doc += title + "\n" + std::string(title.size(), i % 3 == 0 ? '=' : '-') + "\n\n";
  }
  for (const char* name : {"c.rst", "c.txt"}) {
    const std::string file = tmp.write(name, doc);
    BoundedRun r = run_bounded({"def", "target", file}, 15);
    ASSERT_FALSE(r.timed_out) << name;
    EXPECT_EQ(r.run.status, 0) << r.run.err;
    // A level-1 section runs to the next level-1 title; a level-2 one ends
    // at the next title.
    EXPECT_EQ(r.run.out.rfind("── " + file + ":1-8\n1| target 0\n", 0), 0u)
        << r.run.out.substr(0, 200);
    EXPECT_NE(r.run.out.find("── " + file + ":4-5\n"), std::string::npos);
    EXPECT_TRUE(zub::ends_with(r.run.out, "개 더: 루트를 좁혀라]\n")) << name;
  }
}
