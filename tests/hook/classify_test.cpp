// Field lookup in hook events and the read-only classification of commands.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "hook/classify.h"
#include "hook/event_fields.h"

using zub::event_field;

TEST(EventFieldTest, FindsStringValuesAnywhere) {
  struct {
    const char* json;
    const char* name;
    std::optional<std::string> want;
  } cases[] = {
      {R"({"tool_name":"Bash"})", "tool_name", "Bash"},
      {R"({"tool_input": {"command" :  "ls -la"}})", "command", "ls -la"},
      {"{\"command\":\n\t \"ls\"}", "command", "ls"},
      // A non-string occurrence is passed over for a later string one.
      {R"({"command": 5, "x": {"command": "cat a"}})", "command", "cat a"},
      {R"({"command": null})", "command", std::nullopt},
      {R"({"tool_name":"Bash"})", "command", std::nullopt},
      {R"({"command")", "command", std::nullopt},
      {R"({"command":)", "command", std::nullopt},
      // Escapes: \n \r \t decoded, others yield the character, \u left alone.
      {R"({"command":"a\nb\tc\rd\"e\\f\/g\u0041"})", "command",
       std::string("a\nb\tc\rd\"e\\f/gu0041")},
      // An unterminated string runs to the end; a final lone backslash is dropped.
      {R"({"command":"echo hi)", "command", "echo hi"},
      {"{\"command\":\"ab\\", "command", "ab"},
      {R"({"command":""})", "command", ""},
      // Quoted key text inside another value does not count as the key.
      {R"({"description":"run \"command\": x","command":"pwd"})", "command", "pwd"},
      {"", "command", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(event_field(c.json, c.name), c.want) << c.json;
}

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
