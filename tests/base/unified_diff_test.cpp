// The unified diff against the real diff and patch programs.
#include "base/unified_diff.h"

#include <gtest/gtest.h>

#include <string>

#include "base/process.h"
#include "support/temp_dir.h"

using zub_test::file_bytes;
using zub_test::TempDir;

namespace {

std::string numbered(int from, int to) {
  std::string s;
  for (int i = from; i <= to; ++i) s += "line " + std::to_string(i) + "\n";
  return s;
}

}  // namespace

TEST(UnifiedDiffTest, AgreesWithDiffAndPatchesBack) {
  const std::string ten = numbered(1, 10), twenty = numbered(1, 20);
  struct {
    std::string a, b;
  } cases[] = {
      {ten, numbered(1, 5) + "new\n" + numbered(6, 10)},  // one insertion
      {twenty, "first\n" + numbered(2, 19) + "last\n"},   // two hunks
      {numbered(1, 9) + "x\n" + numbered(11, 20), numbered(1, 8) + numbered(11, 20)},  // merged
      {ten + "tail", ten + "tail\n"},  // no newline at end
      {"", "a\nb\n"},
      {"a\nb\n", ""},
      {"{\n  \"a\": 1\n}\n", "{\n  \"a\": 1,\n  \"b\": 2\n}\n"},
  };
  TempDir t;
  for (const auto& c : cases) {
    const std::string a = t.write("a", c.a), b = t.write("b", c.b);
    const std::string ours = zub::unified_diff("a", "b", c.a, c.b);
    zub::ProcessResult d = zub::run_process({"diff", "-u", a, b});
    ASSERT_EQ(d.exit_code, 1) << d.err;
    // diff's two header lines carry file times; the hunks must be the same.
    const size_t hunks = d.out.find("\n@@");
    ASSERT_NE(hunks, std::string::npos);
    EXPECT_EQ(ours, "--- a\n+++ b" + d.out.substr(hunks)) << c.a << "|" << c.b;
    const std::string patch = t.write("d.patch", ours);
    zub::ProcessResult p = zub::run_process({"patch", "-s", a, patch});
    EXPECT_EQ(p.exit_code, 0) << p.out << p.err;
    EXPECT_EQ(file_bytes(a), c.b);
  }
  EXPECT_EQ(zub::unified_diff("a", "b", ten, ten), "");
}
