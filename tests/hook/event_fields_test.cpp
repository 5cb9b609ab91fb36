// Field lookup in hook events.
#include "hook/event_fields.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

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
