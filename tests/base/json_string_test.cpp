// Reading JSON strings and string fields out of larger texts.
#include "base/json_string.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using zub::json_key_value;
using zub::json_string_at;
using zub::json_string_field;

TEST(JsonStringTest, DecodesEveryEscapeWithOneSurrogateRule) {
  struct {
    const char* text;  // starts with the opening quote
    std::optional<std::string> want;
  } cases[] = {
      {R"("a\nb\tc\rd\"e\\f\/g\bh\fi")", std::string("a\nb\tc\rd\"e\\f/g\bh\fi")},
      {R"("\u0041\u00e9\uAC00\ud83d\ude00!")", "A\xC3\xA9\xEA\xB0\x80\xF0\x9F\x98\x80!"},
      // A surrogate alone, or a high one before a non-low escape, is U+FFFD.
      {R"("a\ud800b")",
       "a\xEF\xBF\xBD"
       "b"},
      {R"("\ude00")", "\xEF\xBF\xBD"},
      {R"("\ud83d\u0041")",
       "\xEF\xBF\xBD"
       "A"},
      {R"("\ud83d\")", std::nullopt},
      // A backslash before any other byte yields that byte.
      {R"("\q\'")", "q'"},
      // A broken \u escape or a missing closing quote: no string at all.
      {R"("\u12g4")", std::nullopt},
      {R"("\u12")", std::nullopt},
      {R"("\u)", std::nullopt},
      {R"("echo hi)", std::nullopt},
      {"\"ab\\", std::nullopt},
      {R"("")", ""},
      // Raw bytes other than quote and backslash pass through as they are.
      {"\"\xff\t\xc3\xa9\"", "\xff\t\xc3\xa9"},
  };
  for (const auto& c : cases) EXPECT_EQ(json_string_at(c.text, 0), c.want) << c.text;

  size_t end = 0;
  EXPECT_EQ(json_string_at(R"(x "a\"b" y)", 2, &end), "a\"b");
  EXPECT_EQ(end, 8u);
}

TEST(JsonStringTest, FindsStringFieldsAsKeysOnly) {
  struct {
    const char* json;
    std::optional<std::string> want;  // of the key "command"
  } cases[] = {
      {R"({"command":"ls"})", "ls"},
      {R"({"tool_input": {"command" :  "ls -la"}})", "ls -la"},
      {"{\"command\":\n\t \"ls\"}", "ls"},
      {R"({"command":"caf\u00e9"})", "caf\xC3\xA9"},
      // A non-string value, or a broken string, is passed over for a later one.
      {R"({"command": 5, "x": {"command": "cat a"}})", "cat a"},
      {R"({"command": "\uzz", "x": {"command": "cat b"}})", "cat b"},
      {R"({"command": null})", std::nullopt},
      {R"({"tool_name":"Bash"})", std::nullopt},
      {R"({"command")", std::nullopt},
      {R"({"command":)", std::nullopt},
      {R"({"command":"echo hi)", std::nullopt},
      {R"({"command":""})", ""},
      // Quoted key text inside a value does not count as the key, nor does
      // a value equal to the name, nor a longer key.
      {R"({"description":"run \"command\": x","command":"pwd"})", "pwd"},
      {R"({"name":"command", "command":"second"})", "second"},
      {R"({"x-command":"a","commands":"b"})", std::nullopt},
      {R"({"say \"command": "x"})", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(json_string_field(c.json, "command"), c.want) << c.json;

  // The value position of a key, for callers that read other shapes.
  EXPECT_EQ(json_key_value(R"({"a" : [1]})", "a"), 7u);
  EXPECT_EQ(json_key_value(R"({"a":1,"b":{"a":2}})", "a", 6), 16u);
  EXPECT_EQ(json_key_value(R"({"a"})", "a"), std::string::npos);
}
