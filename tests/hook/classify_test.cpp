// The read-only classification of commands.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "hook/classify.h"

TEST(ClassifyTest, ProgramWordAndReadOnlyVerdicts) {
  struct {
    const char* command;
    std::optional<std::string> program;
    bool read_only;
  } cases[] = {
      {"ls", "ls", true},
      {"cat a.txt", "cat", true},
      {"  (ls src)", "ls", true},
      {"git status", "git", true},
      {"git log --oneline -3", "git", true},
      {"git -C repo diff HEAD~1", "git", true},
      {"git stash", "git", false},
      {"git push origin main", "git", false},
      {"git", "git", false},
      {"echo hi > out.txt", "echo", false},
      {"echo hi >>out.txt", "echo", false},
      {"FOO=1 grep -r x src", "grep", true},
      {"A=1 B=2 wc -l f", "wc", true},
      {"env LC_ALL=C cat f", "cat", true},
      {"export A=1; cat f", "cat", true},
      {"env", std::nullopt, false},
      {"A=1", std::nullopt, false},
      {"/usr/bin/cat f", "usr", false},
      {"./ls", ".", false},
      {"cat;rm x", "cat", false},
      {"cat|wc", "cat", true},
      {"ls -la | sort | uniq", "ls", true},
      {"find . -name '*.rs' | xargs rm -f", "find", false},
      {"make test", "make", false},
      {"python3 -c 'print(1)'", "python3", false},
      {"npm ls", "npm", false},
      {"curl -X POST localhost", "curl", false},
      {"while true; do ls; done", "while", false},
      {"=x ls", "=x", false},
      {"", std::nullopt, false},
      {" \t\n", std::nullopt, false},
      {"\u3000ls", "ls", true},  // ideographic space is white space
      {"zub grep -e a -e b src", "zub", true},
  };
  for (const auto& c : cases) {
    auto w = zub::program_word(c.command);
    EXPECT_EQ(w ? std::optional<std::string>(std::string(*w)) : std::nullopt, c.program)
        << c.command;
    EXPECT_EQ(zub::is_read_only(c.command), c.read_only) << c.command;
  }
}

TEST(ClassifyTest, SingleSleep) {
  EXPECT_TRUE(zub::is_single_sleep("sleep 5"));
  EXPECT_TRUE(zub::is_single_sleep("make && sleep 10 && curl x"));
  EXPECT_FALSE(zub::is_single_sleep("sleep"));
  EXPECT_FALSE(zub::is_single_sleep("while true; do sleep 1; done"));
  EXPECT_FALSE(zub::is_single_sleep("until curl -sf x; do sleep 2; done"));
  EXPECT_FALSE(zub::is_single_sleep("for i in 1 2; do sleep 1; done"));
}
