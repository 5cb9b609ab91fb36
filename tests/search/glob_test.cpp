#include "search/glob.h"

#include <gtest/gtest.h>

using namespace zub;

TEST(Glob, WholeTextMatching) {
  // clang-format off
  struct Case {
    const char* glob;
    const char* text;
    bool match;
  } cases[] = {
      {"*.test.tsx", "a.test.tsx", true}, {"*.test.tsx", "a.test.ts", false},
      {"src/gen/*", "src/gen/x.ts", true}, {"src/gen/*", "src/gen", false},
      {"*", "", true},                     {"", "", true},
      {"", "a", false},                    {"?", "", false},
      {"?", "é", false},                   {"??", "é", true},
      {"a*b*c", "axxbyyc", true},         {"a*b*c", "axxbyy", false},
      {"*a", "banana", true},              {"*ab", "aab", true},
      {"a**", "a", true},                  {"*/*", "x/y/z", true},
      {"A*", "a", false},                  {"*x*", "abc", false},
      // Alternatives and classes.
      {"*.{go,mod}", "list.go", true},     {"*.{go,mod}", "go.mod", true},
      {"*.{go,mod}", "go.sum", false},     {"*.{c,h}", "x.cc", false},
      {"{a,b{c,d}}x", "bdx", true},        {"{a,b{c,d}}x", "bx", false},
      {"x{,.bak}", "x", true},             {"{a,b}{1,2}", "b1", true},
      {"[abc].go", "b.go", true},          {"[abc].go", "d.go", false},
      {"[a-c]*", "cat", true},             {"[!a-c]*", "cat", false},
      {"[^a]", "b", true},                 {"[]x]", "]", true},
      {"[a-]", "-", true},                 {"[{]x", "{x", true},
      // Unclosed: literal bytes.
      {"{a,b", "{a,b", true},              {"[ab", "[ab", true},
      {"a{", "a{", true},                  {"{[},x}", "{[},x}", false},
      {"{[},x}", "[,x}", true},            {"{a,{b}", "{a,b", true},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(GlobSet({c.glob}).matches(c.text), c.match) << c.glob << " / " << c.text;
    // Without braces the set is the one glob.
    if (std::string_view(c.glob).find('{') == std::string_view::npos) {
      EXPECT_EQ(glob_match(c.glob, c.text), c.match) << c.glob << " / " << c.text;
    }
  }
  EXPECT_EQ(expand_braces("a{b,c{d,e}}f"), (std::vector<std::string>{"abf", "acdf", "acef"}));
  // Past the bound a glob is kept whole rather than cut to some of its
  // alternatives.
  std::string wide;
  for (int k = 0; k < 11; ++k) wide += "{0,1}";
  EXPECT_EQ(expand_braces(wide), std::vector<std::string>{wide});
  // For a file, a glob with a slash sees the path (whole or below the
  // root), one without the name; "**/" may be no directory.
  const GlobSet set({"t*", "src/*.{c,h}", "lib/**/*.go"});
  EXPECT_TRUE(set.matches_file({"x.h", "./src/x.h", "src/x.h"}));
  EXPECT_TRUE(set.matches_file({"tw.py", "./lib/tw.py", "lib/tw.py"}));
  EXPECT_FALSE(set.matches_file({"b.py", "tests/b.py", "b.py"}));
  EXPECT_TRUE(set.matches_file({"a.go", "./lib/a.go", "lib/a.go"}));
  EXPECT_TRUE(set.matches_file({"a.go", "./lib/x/y/a.go", "lib/x/y/a.go"}));
  EXPECT_FALSE(set.matches_file({"a.go", "./x/lib/a.go", "x/lib/a.go"}));
  EXPECT_TRUE(GlobSet({"**/*.go"}).matches_file({"a.go", "./a.go", "a.go"}));
}
