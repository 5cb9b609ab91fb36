// End-to-end tests of `read`: ranges, headers, numbering, elision, byte mode
// and the path errors.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "nav/read.h"
#include "support/run_zub.h"

using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

std::string numbered(int from, int to) {
  std::string s;
  for (int i = from; i <= to; ++i) s += "line" + std::to_string(i) + "\n";
  return s;
}

}  // namespace

TEST(Read, RangeArguments) {
  EXPECT_TRUE(zub::is_range_arg("120-180"));
  EXPECT_TRUE(zub::is_range_arg("120-"));
  EXPECT_TRUE(zub::is_range_arg("1-2-3") == false);
  EXPECT_FALSE(zub::is_range_arg("-5"));
  EXPECT_FALSE(zub::is_range_arg("5"));
  EXPECT_FALSE(zub::is_range_arg("a-5"));
  EXPECT_FALSE(zub::is_range_arg("5-b"));
}

TEST(Read, RangesHeadersAndOpenEnds) {
  TempDir d;
  const std::string a = d.write("a.txt", numbered(1, 30));
  const std::string b = d.write("b.txt", "x\r\ny\n");

  auto r = run_zub({"read", a, "3-4"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "line3\nline4\n");

  r = run_zub({"read", a, "28-"});
  EXPECT_EQ(r.out, "line28\nline29\nline30\n");

  r = run_zub({"read", a, "2-3", b});
  EXPECT_EQ(r.out, "== " + a + " [2-3] ==\nline2\nline3\n== " + b + " (전체) ==\nx\ny\n");

  // An open end gives the whole-file header whatever A is.
  r = run_zub({"read", a, "29-", b, "1-1"});
  EXPECT_EQ(r.out, "== " + a + " (전체) ==\nline29\nline30\n== " + b + " [1-1] ==\nx\n");

  // Two ranges of one file need the path twice.
  r = run_zub({"read", a, "1-1", a, "30-30"});
  EXPECT_EQ(r.out, "== " + a + " [1-1] ==\nline1\n== " + a + " [30-30] ==\nline30\n");

  // A = 0 behaves like 1; an end beyond 64 bits is an open end, and a
  // start beyond them is past the end of the file, never line 1.
  r = run_zub({"read", a, "0-1"});
  EXPECT_EQ(r.out, "line1\n");
  r = run_zub({"read", a, "29-99999999999999999999999"});
  EXPECT_EQ(r.out, "line29\nline30\n");
  for (const char* past : {"99999999999999999999999-2", "18446744073709551616",
                           "18446744073709551616-", "18446744073709551615"}) {
    r = run_zub({"read", a, past});
    EXPECT_EQ(r.status, 2) << past;
    EXPECT_EQ(r.out, "") << past;
    EXPECT_NE(r.err.find(": 18446744073709551615 이상 범위에 내용이 없다"), std::string::npos)
        << past << r.err;
  }
}

TEST(Read, EmptyRangesAreReported) {
  TempDir d;
  const std::string a = d.write("a.txt", numbered(1, 30));
  const std::string e = d.write("empty.txt", "");
  const std::string blank = d.write("blank.txt", "x\n   \n\t\ny\n");

  auto r = run_zub({"read", a, "20-10"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "zub: " + a + ": 20-10 는 빈 범위다(시작 20 이 끝 10 보다 뒤): `zub read " + a +
                       " 10-20`\n");

  r = run_zub({"read", e});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zub: " + e + ": 1-끝 범위에 내용이 없다(파일이 그보다 짧다)\n");

  r = run_zub({"read", a, "40-50"});
  EXPECT_EQ(r.err, "zub: " + a + ": 40-50 범위에 내용이 없다(파일이 그보다 짧다)\n");

  // All-blank selections count as empty, and the blank block is still printed.
  r = run_zub({"read", blank, "2-3"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "   \n\t\n");

  // With numbering the block is not blank.
  RunOptions num;
  num.env_set = {"ZUB_READ_NUM=0"};
  r = run_zub({"read", blank, "2-3"}, num);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "    2|    \n    3| \t\n");

  // With two files the header keeps the block non-empty: no message.
  r = run_zub({"read", e, a, "1-1"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

TEST(Read, NumberingAndElision) {
  TempDir d;
  std::string text;
  for (int i = 1; i <= 100000; ++i) text += "l\n";
  const std::string many = d.write("many.txt", text);
  RunOptions num;
  num.env_set = {"ZUB_READ_NUM="};
  auto r = run_zub({"read", many, "9999-10000"}, num);
  EXPECT_EQ(r.out, " 9999| l\n10000| l\n");
  r = run_zub({"read", many, "99999-99999"}, num);
  EXPECT_EQ(r.out, "99999| l\n");

  const std::string longf =
      d.write("long.txt", std::string(1000, 'a') + "\nshort\n" + std::string(205, 'b') + "\n");
  r = run_zub({"read", longf});
  EXPECT_EQ(r.out, std::string(140, 'a') + "…800c…" + std::string(60, 'a') + "\nshort\n" +
                       std::string(140, 'b') + "…5c…" + std::string(60, 'b') + "\n" +
                       "[zub read: 805 chars over 200-col elided]\n");
}

TEST(Read, PathErrorsDoNotStopOtherPaths) {
  TempDir d;
  const std::string a = d.write("a.txt", "hello\n");
  const std::string bad = d.write("bad.txt", "ok\n\xff\xfe\n");
  d.mkdir("sub");
  auto r = run_zub({"read", d / "missing", d / "sub", bad, a});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zub: " + (d / "missing") + ": No such file or directory (os error 2)\n" +
                       "zub: " + (d / "sub") +
                       ": 디렉터리다: 파일을 지정하거나 `zub map` 을 써라\n");
  const std::string bad_block =
      "ok\n\\xFF\\xFE\n[zub read: 1줄에 UTF-8 이 아닌 바이트가 있어 \\xHH 로 보였다]\n";
  EXPECT_EQ(r.out, "== " + bad + " (전체) ==\n" + bad_block + "== " + a + " (전체) ==\nhello\n");

  // A file with stray bytes is shown, the bytes made visible and counted,
  // and so is any range of it: status 0, since every line was shown.
  r = run_zub({"read", bad});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, bad_block);
  const std::string latin = d.write("latin.log", "caf\xE9 \xC3\n\xE2\x82\xAC ok\nplain\n");
  r = run_zub({"read", latin, "1-2"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(
      r.out,
      "caf\\xE9 \\xC3\n€ ok\n[zub read: 1줄에 UTF-8 이 아닌 바이트가 있어 \\xHH 로 보였다]\n");
  r = run_zub({"read", latin, "3"});
  EXPECT_EQ(r.out, "plain\n");

  // A range before the only file is its range; a second range after a
  // file is another range of it, under its own header.
  r = run_zub({"read", "1-5", a});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "hello\n");
  r = run_zub({"read", a, "1-1", "2-2"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "== " + a + " [1-1] ==\nhello\n== " + a + " [2-2] ==\n");

  if (geteuid() != 0) {  // root reads anything
    const std::string locked = d.write("locked.txt", "x\n");
    chmod(locked.c_str(), 0);
    r = run_zub({"read", locked});
    EXPECT_EQ(r.out, locked + ": Permission denied (os error 13)\n");
    EXPECT_EQ(r.status, 2) << "nothing of the file was shown";
  }
}

TEST(Read, ByteMode) {
  TempDir d;
  const std::string hundred = d.write("h.txt", std::string(99, 'x') + "\n");
  auto r = run_zub({"read", "-c", "100", hundred});
  EXPECT_EQ(r.out, std::string(99, 'x') + "\n[zub read: 앞 100 bytes 만]\n");

  const std::string two = d.write("two.txt", "ab\ncdef\n");
  r = run_zub({"read", "-c", "5", two});
  EXPECT_EQ(r.out, "ab\n[zub read: 앞 5 bytes 만 (잘린 마지막 줄 제외)]\n");

  const std::string one = d.write("one.txt", "abcdefgh\n");
  r = run_zub({"read", "-c", "5", one});
  EXPECT_EQ(r.out, "abcde\n[zub read: 앞 5 bytes 만]\n");

  // Fewer bytes than N: no note; ranges after a path are consumed and ignored.
  r = run_zub({"read", "-c", "500", two, "2-2"});
  EXPECT_EQ(r.out, "ab\ncdef\n");

  // Headers and numbering count printed lines.
  RunOptions num;
  num.env_set = {"ZUB_READ_NUM=1"};
  r = run_zub({"read", "-c", "5", two, one}, num);
  EXPECT_EQ(r.out, "== " + two +
                       " (앞 5B) ==\n    1| ab\n[zub read: 앞 5 bytes 만 (잘린 마지막 줄 제외)]\n" +
                       "== " + one + " (앞 5B) ==\n    1| abcde\n[zub read: 앞 5 bytes 만]\n");

  // Invalid bytes are decoded lossily; a multi-byte character cut by N too.
  const std::string bad = d.write("bad.bin",
                                  "a\xff"
                                  "b\n한\n");
  r = run_zub({"read", "-c", "5", bad});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "a\xEF\xBF\xBD"
            "b\n[zub read: 앞 5 bytes 만 (잘린 마지막 줄 제외)]\n");
}

TEST(Read, ByteModeReadsOnlyThePrefixOfAHugeSparseFile) {
  TempDir d;
  const std::string big = d / "sparse.bin";
  // 8 GB apparent size, almost no disk: reading it whole would fail the test
  // by time or memory.
  ASSERT_EQ(std::system(("truncate -s 8G '" + big + "'").c_str()), 0);
  auto r = run_zub({"read", "-c", "3", big});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("\0\0\0", 3) + "\n[zub read: 앞 3 bytes 만]\n");
}
