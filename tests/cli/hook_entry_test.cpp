// The hook entry in the host's settings: recognised by any path, added
// beside whatever else is there, and taken out to the byte.
#include "cli/hook_entry.h"

#include <gtest/gtest.h>

#include <string>

using namespace zub;

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
      "{\n    \"hooks\": {\n        \"PostToolUse\": [ ]\n    }\n}",
      "{\"hooks\":{\"PreToolUse\":[{\"matcher\":\"Edit\",\"hooks\":[{\"type\":\"command\","
      "\"command\":\"lint.sh\"}]}]},\"n\":1.50}",
      "{\n\t\"hooks\" : {\n\t\t\"PreToolUse\" : [\n\t\t\t{ \"matcher\": \"*\", \"hooks\": [] "
      "}\n\t\t]\n\t}\n}\n",
  };
  for (const char* before : files) {
    JsonParse p = parse_settings(before);
    ASSERT_TRUE(p.doc) << before;
    EXPECT_EQ(registered_hook(*p.doc), std::nullopt);
    std::string why;
    ASSERT_TRUE(add_hook_entry(*p.doc, "zub hook", &why)) << why;
    const std::string with = write_json(*p.doc);
    EXPECT_EQ(text_with_hook(before, "zub hook"), with);
    JsonParse again = parse_json(with);
    ASSERT_TRUE(again.doc) << with;
    EXPECT_EQ(registered_hook(*again.doc), "zub hook") << with;
    // Everything that was there is still there, in order.
    ASSERT_TRUE(remove_hook_entry(*again.doc));
    EXPECT_TRUE(same_json(again.doc->root, parse_json(before).doc->root)) << with;
    EXPECT_EQ(registered_hook(*again.doc), std::nullopt);
    EXPECT_FALSE(remove_hook_entry(*again.doc));
  }
  // The last file's group keeps its place; ours follows it, in its spacing.
  EXPECT_EQ(
      text_with_hook(files[3], "zub hook"),
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
  EXPECT_EQ(registered_hook(*p.doc), "/home/me/bin/zub hook");
  ASSERT_TRUE(remove_hook_entry(*p.doc));
  EXPECT_EQ(write_json(*p.doc),
            "{\"hooks\":{\"PreToolUse\":[{\"matcher\":\"Bash\",\"hooks\":["
            "{\"type\":\"command\",\"command\":\"audit.sh\"}]}]}}");

  for (const char* odd : {"[]", "{\"hooks\": []}", "{\"hooks\": {\"PreToolUse\": {}}}", "\"x\""}) {
    JsonParse q = parse_json(odd);
    ASSERT_TRUE(q.doc) << odd;
    std::string why;
    EXPECT_FALSE(add_hook_entry(*q.doc, "zub hook", &why)) << odd;
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(write_json(*q.doc), odd);
  }
  // Blank text is a new file.
  EXPECT_EQ(
      text_with_hook(" \n", "zub hook"),
      "{\n  \"hooks\": {\n    \"PreToolUse\": [\n      {\n        \"matcher\": \"Bash\",\n"
      "        \"hooks\": [\n          {\n            \"type\": \"command\",\n"
      "            \"command\": \"zub hook\"\n          }\n        ]\n      }\n    ]\n  }\n}\n");
}
