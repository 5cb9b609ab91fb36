// A file read whole is bounded as the agent host's own file reader is: the
// rest is named by the call that reads it. Explicit ranges are not bounded.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/run_zub.h"

using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

std::string lines(int from, int to, const std::string& tail) {
  std::string s;
  for (int i = from; i <= to; ++i) s += "line" + std::to_string(i) + tail + "\n";
  return s;
}

TEST(ReadBound, WholeReadsStopAtTheHostsLimitAndNameTheNextPart) {
  TempDir d;
  // Short lines: the 2,000-line bound comes first; long ones: the bytes.
  const struct {
    std::string tail;
    std::vector<std::string> env;
    int shown;
  } cases[] = {
      {"", {}, 2000},
      {std::string(60, 'x'), {}, 0},
      {std::string(60, 'x'), {"ZUB_HOST_INLINE_CHARS=128000"}, 0},
  };
  for (const auto& c : cases) {
    const std::string f = d.write("big.txt", lines(1, 7281, c.tail));
    RunOptions o;
    o.env_set = c.env;
    const auto r = run_zub({"read", f}, o);
    EXPECT_EQ(r.status, 0);
    const size_t rest = r.out.rfind("[zub read: ");
    ASSERT_NE(rest, std::string::npos) << r.out.substr(r.out.size() - 300);
    const std::string body = r.out.substr(0, rest);
    const int shown = static_cast<int>(std::count(body.begin(), body.end(), '\n'));
    const size_t limit = c.env.empty() ? 30000 : 128000;
    if (c.shown != 0) {
      EXPECT_EQ(shown, c.shown);
    } else {
      EXPECT_GT(lines(1, shown + 1, c.tail).size(), limit) << "stopped before the bound";
    }
    EXPECT_LE(body.size(), limit);
    EXPECT_EQ(body, lines(1, shown, c.tail));
    const std::string head = "[zub read: " + std::to_string(shown) + "/7281줄까지 보였다, 남은 " +
                             std::to_string(7281 - shown) + "줄 · 다음: zub read " + f + " ";
    ASSERT_EQ(r.out.substr(rest, head.size()), head);
    int a = 0, b = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str() + rest + head.size(), "%d-%d", &a, &b), 2);
    EXPECT_EQ(a, shown + 1);
    EXPECT_TRUE(r.out.ends_with(" · 구조: zub outline " + f + "]\n")) << r.out.substr(rest);
    // The next part is within the same bound, and follows on.
    const auto part = run_zub({"read", f, std::to_string(a) + "-" + std::to_string(b)}, o);
    EXPECT_EQ(part.out, lines(a, b, c.tail));
    EXPECT_LE(part.out.size(), limit);
    EXPECT_LE(b - a + 1, 2000);
  }
  // The part named is itself within the bound, and ranges print whole.
  const std::string f = d.write("big.txt", lines(1, 7281, ""));
  auto r = run_zub({"read", f, "2001-4000"});
  EXPECT_EQ(r.out, lines(2001, 4000, ""));
  r = run_zub({"read", f, "1-5000"});
  EXPECT_EQ(r.out, lines(1, 5000, ""));
  r = run_zub({"read", d.write("small.txt", lines(1, 1999, ""))});
  EXPECT_EQ(r.out, lines(1, 1999, ""));
}

}  // namespace
