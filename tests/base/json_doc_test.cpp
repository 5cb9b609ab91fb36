// The JSON document that keeps its text: exact round trips, error places,
// and entries added and taken away with the document's own spacing.
#include "base/json_doc.h"

#include <gtest/gtest.h>

#include <string>

using namespace zub;

namespace {

JsonDocument parsed(const std::string& text) {
  JsonParse p = parse_json(text);
  EXPECT_TRUE(p.doc) << text << " -> " << p.error.line << ":" << p.error.column << " "
                     << p.error.reason;
  return p.doc ? *p.doc : JsonDocument{};
}

// Appends {"k": [1, {"x": "y"}]} (or the element for an array) to the
// container the path of keys leads to.
void append_sample(JsonDocument& doc, const std::string& key) {
  JsonValue inner = json_object();
  add_member(inner, "x", json_string("y"));
  JsonValue list = json_array();
  JsonValue one;
  one.kind = JsonValue::Kind::kNumber;
  one.text = "1";
  add_element(list, one);
  add_element(list, inner);
  JsonEntry e;
  if (doc.root.is_object()) e.key = "\"" + key + "\"";
  e.value = list;
  append_entry(doc.root, e, "", detect_layout(doc));
}

}  // namespace

TEST(JsonDocTest, WritesBackExactlyWhatItRead) {
  for (const char* text : {
           "{}",
           "[]",
           " {\n}\n",
           "\xEF\xBB\xBF{\"a\":1}",
           "0",
           "-0.5e+10",
           "\"\\u00e9\\n\"",
           "{\"a\" : [ 1 , 2.50 ,\t{ } , [ ] , null , true , false ] ,\r\n \"b\":{\"c\":\"é中\"}}  "
           "\n",
           "[1E5, 1e-0, -0, 12345678901234567890123]",
           "{\"dup\":1,\"dup\":2}",
       }) {
    EXPECT_EQ(write_json(parsed(text)), text);
  }
  // Numbers and strings stay as written even where other texts mean the same.
  JsonDocument a = parsed("[1.0, \"\\u0041\"]"), b = parsed("[1.0,\"A\"]"), c = parsed("[1,\"A\"]");
  EXPECT_TRUE(same_json(a.root, b.root));
  EXPECT_FALSE(same_json(a.root, c.root));
}

TEST(JsonDocTest, NamesTheLineAndColumnOfTheFirstFault) {
  struct {
    const char* text;
    size_t line, column;
  } cases[] = {
      {"", 1, 1},
      {"{\"a\": 1,}", 1, 9},                   // a trailing comma
      {"{\n  \"a\": 1\n  \"b\": 2\n}", 3, 3},  // a missing comma
      {"{\"a\" 1}", 1, 6},
      {"{'a': 1}", 1, 2},
      {"[01]", 1, 3},
      {"[1.]", 1, 4},
      {"[\"é\tx\"]", 1, 4},  // a raw tab, after a two-byte character
      {"[\"\\x\"]", 1, 3},
      {"[\"abc", 1, 2},  // an unterminated string, at its quote
      {"{} {}", 1, 4},
      {"// c\n{}", 1, 1},
      {"[tru]", 1, 2},
      {"[\"\xff\"]", 1, 3},
  };
  for (const auto& c : cases) {
    JsonParse p = parse_json(c.text);
    ASSERT_FALSE(p.doc) << c.text;
    EXPECT_EQ(p.error.line, c.line) << c.text << ": " << p.error.reason;
    EXPECT_EQ(p.error.column, c.column) << c.text << ": " << p.error.reason;
    EXPECT_FALSE(p.error.reason.empty());
  }
  EXPECT_TRUE(parse_json(std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']')).doc);
  EXPECT_FALSE(
      parse_json(std::string(kMaxJsonDepth + 1, '[') + std::string(kMaxJsonDepth + 1, ']')).doc);
}

TEST(JsonDocTest, AddedEntriesFollowTheDocumentsLayoutAndComeOutAgain) {
  struct {
    const char* before;
    const char* after;
  } cases[] = {
      {"{\n  \"a\": 1\n}\n",
       "{\n  \"a\": 1,\n  \"k\": [\n    1,\n    {\n      \"x\": \"y\"\n    }\n  ]\n}\n"},
      {"{\n\t\"a\":1\n}",
       "{\n\t\"a\":1,\n\t\"k\":[\n\t\t1,\n\t\t{\n\t\t\t\"x\":\"y\"\n\t\t}\n\t]\n}"},
      {"{\"a\": 1, \"b\": 2}", "{\"a\": 1, \"b\": 2, \"k\": [1, {\"x\": \"y\"}]}"},
      {"{\"a\":1}", "{\"a\":1,\"k\":[1,{\"x\":\"y\"}]}"},
      {"{\r\n  \"a\": 1\r\n}\r\n",
       "{\r\n  \"a\": 1,\r\n  \"k\": [\r\n    1,\r\n    {\r\n      \"x\": \"y\"\r\n    }\r\n  "
       "]\r\n}\r\n"},
      {"[ 0 ]", "[ 0, [1, {\"x\": \"y\"}] ]"},
  };
  for (const auto& c : cases) {
    JsonDocument doc = parsed(c.before);
    append_sample(doc, "k");
    const std::string text = write_json(doc);
    EXPECT_EQ(text, c.after) << c.before;
    EXPECT_TRUE(parse_json(text).doc) << text;
    remove_entry(doc.root, doc.root.entries.size() - 1);
    EXPECT_EQ(write_json(doc), c.before);
  }
  // An empty container gets the default layout and is "{}" again after.
  JsonDocument empty = parsed("{}");
  append_sample(empty, "k");
  EXPECT_EQ(write_json(empty), "{\n  \"k\": [\n    1,\n    {\n      \"x\": \"y\"\n    }\n  ]\n}");
  remove_entry(empty.root, 0);
  EXPECT_EQ(write_json(empty), "{}");
  // Taking out the first entry leaves the next one where the first was.
  JsonDocument three = parsed("[\n  1,\n  2,\n  3\n]");
  remove_entry(three.root, 0);
  remove_entry(three.root, 1);
  EXPECT_EQ(write_json(three), "[\n  2\n]");
}
