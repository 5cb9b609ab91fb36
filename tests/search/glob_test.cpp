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
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(glob_match(c.glob, c.text), c.match) << c.glob << " / " << c.text;
}
