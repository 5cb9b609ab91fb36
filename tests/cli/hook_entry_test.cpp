// The hook entry in the host's settings: recognised by any path, added
// beside whatever else is there, and taken out to the byte.
#include "cli/hook_entry.h"

#include <gtest/gtest.h>

#include <string>

using namespace zub;

namespace {

size_t count(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

}  // namespace

TEST(HookEntryTest, RecognisesZubsHookByAnyPath) {
  for (const char* yes : {"zub hook", "  zub   hook ", "/usr/local/bin/zub hook", "~/bin/zub hook",
                          "'/opt/my tools/zub' hook", "\"/x y/zub\" hook"})
    EXPECT_TRUE(is_zub_hook_command(yes)) << yes;
  for (const char* no : {"zub", "hook", "zub hooks", "zubhook", "/bin/notzub hook", "zub hook -v",
                         "sh -c zub hook", "/opt/my tools/zub hook", "zub grep hook", ""})
    EXPECT_FALSE(is_zub_hook_command(no)) << no;
}

TEST(HookEntryTest, AddsBesideOtherHooksAndRemovesToTheByte) {
  const char* files[] = {
      // other events, other matchers, unicode, odd spacing, other top keys
      "{\n  \"model\": \"opus\",\n  \"env\": {\"GREETING\": \"안녕 \\u00e9\"}\n}\n",
      "{\n    \"hooks\": {\n        \"Notification\": [ ]\n    }\n}",
      "{\"hooks\":{\"PreToolUse\":[{\"matcher\":\"Edit\",\"hooks\":[{\"type\":\"command\","
      "\"command\":\"lint.sh\"}]}]},\"n\":1.50}",
      "{\n\t\"hooks\" : {\n\t\t\"PreToolUse\" : [\n\t\t\t{ \"matcher\": \"*\", \"hooks\": [] "
      "}\n\t\t]\n\t}\n}\n",
  };
  for (const char* before : files) {
    JsonParse p = parse_settings(before);
    ASSERT_TRUE(p.doc) << before;
    EXPECT_EQ(registered_hook(*p.doc, HookEvent::kPre), std::nullopt);
    std::string why;
    ASSERT_TRUE(add_hook_entry(*p.doc, HookEvent::kPre, "zub hook", &why)) << why;
    EXPECT_EQ(text_with_hook(before, "zub hook", false), write_json(*p.doc));
    ASSERT_TRUE(add_hook_entry(*p.doc, HookEvent::kPost, "zub hook", &why)) << why;
    const std::string with = write_json(*p.doc);
    EXPECT_EQ(text_with_hook(before, "zub hook"), with);
    JsonParse again = parse_json(with);
    ASSERT_TRUE(again.doc) << with;
    for (HookEvent e : kHookEvents) EXPECT_EQ(registered_hook(*again.doc, e), "zub hook") << with;
    // A file registered for PreToolUse alone is completed with PostToolUse.
    EXPECT_EQ(text_with_hook(*text_with_hook(before, "zub hook", false), "zub hook"), with);
    // Everything that was there is still there, in order.
    for (HookEvent e : kHookEvents) ASSERT_TRUE(remove_hook_entry(*again.doc, e));
    EXPECT_TRUE(same_json(again.doc->root, parse_json(before).doc->root)) << with;
    for (HookEvent e : kHookEvents) {
      EXPECT_EQ(registered_hook(*again.doc, e), std::nullopt);
      EXPECT_FALSE(remove_hook_entry(*again.doc, e));
    }
  }
  // The last file's group keeps its place; ours follows it, in its spacing.
  EXPECT_EQ(
      text_with_hook(files[3], "zub hook", false),
      "{\n\t\"hooks\" : {\n\t\t\"PreToolUse\" : [\n\t\t\t{ \"matcher\": \"*\", \"hooks\": [] },"
      "\n\t\t\t{\n\t\t\t\t\"matcher\": \"Bash\",\n\t\t\t\t\"hooks\": [\n\t\t\t\t\t{\n"
      "\t\t\t\t\t\t\"type\": \"command\",\n\t\t\t\t\t\t\"command\": \"zub hook\"\n"
      "\t\t\t\t\t}\n\t\t\t\t]\n\t\t\t}\n\t\t]\n\t}\n}\n");
}

TEST(HookEntryTest, RemovesOnlyZubFromASharedGroupAndRefusesOddShapes) {
  const std::string shared =
      "{\"hooks\":{\"PreToolUse\":[{\"matcher\":\"Bash\",\"hooks\":["
      "{\"type\":\"command\",\"command\":\"/home/me/bin/zub hook\"},"
      "{\"type\":\"command\",\"command\":\"audit.sh\"}]}]}}";
  JsonParse p = parse_json(shared);
  ASSERT_TRUE(p.doc);
  EXPECT_EQ(registered_hook(*p.doc, HookEvent::kPre), "/home/me/bin/zub hook");
  ASSERT_TRUE(remove_hook_entry(*p.doc, HookEvent::kPre));
  EXPECT_EQ(write_json(*p.doc),
            "{\"hooks\":{\"PreToolUse\":[{\"matcher\":\"Bash\",\"hooks\":["
            "{\"type\":\"command\",\"command\":\"audit.sh\"}]}]}}");

  for (const char* odd : {"[]", "{\"hooks\": []}", "{\"hooks\": {\"PreToolUse\": {}}}", "\"x\""}) {
    JsonParse q = parse_json(odd);
    ASSERT_TRUE(q.doc) << odd;
    std::string why;
    EXPECT_FALSE(add_hook_entry(*q.doc, HookEvent::kPre, "zub hook", &why)) << odd;
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(write_json(*q.doc), odd);
  }
  // Blank text is a new file.
  EXPECT_EQ(
      text_with_hook(" \n", "zub hook", false),
      "{\n  \"hooks\": {\n    \"PreToolUse\": [\n      {\n        \"matcher\": \"Bash\",\n"
      "        \"hooks\": [\n          {\n            \"type\": \"command\",\n"
      "            \"command\": \"zub hook\"\n          }\n        ]\n      }\n    ]\n  }\n}\n");
}

// Only a group that runs for Bash registers zub for shell calls; entries
// under other matchers are neither found nor taken away.
TEST(HookEntryTest, OnlyAMatcherThatCoversBashCounts) {
  struct Case {
    const char* matcher;  // the member's JSON text; "" for none
    bool covers;
  };
  const Case cases[] = {
      {"", true},
      {"\"Bash\"", true},
      {"\"*\"", true},
      {"\"\"", true},
      {"\"Edit|Bash\"", true},
      {"\"Ba.*\"", true},
      {"\"Edit|Write\"", false},
      {"\"bash\"", false},
      {"\"Bashful\"", false},
      {"\"Bash.x\"", false},
      {"\"(\"", false},
      {"1", false},
  };
  for (const Case& c : cases) {
    const std::string group = std::string("{") + (*c.matcher ? "\"matcher\":" : "") + c.matcher +
                              (*c.matcher ? "," : "") +
                              "\"hooks\":[{\"type\":\"command\",\"command\":\"zub hook\"}]}";
    const std::string text = "{\"hooks\":{\"PostToolUse\":[" + group + "]}}";
    JsonParse p = parse_json(text);
    ASSERT_TRUE(p.doc) << text;
    EXPECT_EQ(registered_hook(*p.doc, HookEvent::kPost).has_value(), c.covers) << text;
    EXPECT_EQ(registered_hook(*p.doc, HookEvent::kPre), std::nullopt);
    // Registering adds a PostToolUse group only where none covered Bash;
    // removing takes only what covers Bash.
    const std::string with = text_with_hook(text, "zub hook").value();
    EXPECT_EQ(count(with, "zub hook"), c.covers ? 2u : 3u) << with;
    JsonParse q = parse_json(with);
    ASSERT_TRUE(q.doc);
    ASSERT_TRUE(remove_hook_entry(*q.doc, HookEvent::kPost));
    EXPECT_FALSE(remove_hook_entry(*q.doc, HookEvent::kPost));
    EXPECT_EQ(count(write_json(*q.doc), "zub hook"), c.covers ? 1u : 2u) << write_json(*q.doc);
  }
  // Pointing the entries at another program.
  JsonParse p = parse_json(*text_with_hook("{}", "/gone/zub hook"));
  ASSERT_TRUE(p.doc);
  EXPECT_TRUE(set_hook_command(*p.doc, HookEvent::kPost, "zub hook"));
  EXPECT_FALSE(set_hook_command(*p.doc, HookEvent::kPost, "zub hook"));
  EXPECT_EQ(registered_hook(*p.doc, HookEvent::kPost), "zub hook");
  EXPECT_EQ(registered_hook(*p.doc, HookEvent::kPre), "/gone/zub hook");
}
