#include "code/block_end.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"

using namespace zub;

namespace {

size_t end_of(const std::string& text, size_t i, uint64_t n = 200) {
  const std::vector<std::string_view> lines = split_lines(text);
  return block_end(lines, i, n);
}

std::string body_lines(int count) {
  std::string s;
  for (int k = 0; k < count; ++k) s += "    x += " + std::to_string(k) + ";\n";
  return s;
}

}  // namespace

TEST(BlockEnd, BraceBalanceIgnoresStringsCharsAndComments) {
  // clang-format off
  struct Case {
    const char* line;
    int64_t balance;
  } cases[] = {
      {"fn f() {", 1},           {"}", -1},
      {"s = \"{{\";", 0},        {"s = \"a\\\"{\" {", 1},
      {"c = '{'; {", 1},         {"c = '\\n'; {", 1},  // only three-byte literals are skipped
      {"{ // }", 1},             {"{ # }", 1},
      {"a / b { }", 0},          {"x = 'a {", 1},
      {"}}{", -1},               {"\"unterminated {", 0},
      {"get n() { return this.#n; }", 0},  // a private name is no comment
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(brace_balance(c.line), c.balance) << c.line;
}

TEST(BlockEnd, BraceAndIndentationModes) {
  // Body opens on the definition line and closes 30 lines later.
  const std::string f = "fn foo() {\n" + body_lines(29) + "}\nfn next() {}\n";
  EXPECT_EQ(end_of(f, 0), 30u);
  EXPECT_EQ(end_of(f, 0, 10), 10u);
  EXPECT_EQ(end_of("fn foo() {}\nmore\n", 0), 0u);
  EXPECT_EQ(end_of("struct Foo;\nint x;\n", 0), 0u);
  EXPECT_EQ(end_of("struct Foo;\n", 0), 0u);
  // A brace within three lines of the definition starts the block there.
  EXPECT_EQ(end_of("def_thing(a,\n  b)\n\n{\n  body;\n}\nafter\n", 0), 5u);
  // A brace on the fifth line is too far: indentation decides.
  EXPECT_EQ(end_of("f(a,\n b,\n c,\n d)\n{\n}\n", 0), 3u);
  // Python: indented body, blank lines inside and after.
  const std::string py = "def foo():\n    a = 1\n\n    return a\n\n\ndef bar():\n    pass\n";
  EXPECT_EQ(end_of(py, 0), 3u);
  // A line ending in ":" stops the brace search even if a brace follows.
  EXPECT_EQ(end_of("class A:\n    d = {\n    }\nx\n", 0), 2u);
  // Strings, character literals and comments do not end a block early.
  const std::string tricky =
      "fn foo() {\n  let s = \"}\";\n  let c = '}';\n  // }\n  # }\n  x();\n}\nfn after() {}\n";
  EXPECT_EQ(end_of(tricky, 0), 6u);
  // Never beyond n lines after the definition line, nor the file.
  EXPECT_EQ(end_of("fn foo() {\n a\n b\n", 0), 2u);
  EXPECT_EQ(end_of("def f():\n  a\n  b\n  c\n", 0, 2), 2u);
  EXPECT_EQ(end_of("def f():\n  a\n", 0, 0), 0u);
}
