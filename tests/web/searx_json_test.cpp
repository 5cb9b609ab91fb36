#include "web/searx_json.h"

#include <gtest/gtest.h>

#include "web/engine_pages.h"

using namespace zub;

TEST(SearxJson, ReadsResultObjectsInOrder) {
  const std::vector<zub_test::PageHit> hits = {
      {"SQLite \"WAL\" mode", "https://www.sqlite.org/wal.html", "Write-ahead log {with braces}"},
      {"Relative", "/relative/path", "dropped: not an absolute address"},
      {"Journal modes", "http://ex.org/journal", "]} inside a string"},
  };
  auto got = parse_searx_results(zub_test::searx_json(hits));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].title, "SQLite \"WAL\" mode");
  EXPECT_EQ(got[0].url, "https://www.sqlite.org/wal.html");
  EXPECT_EQ(got[0].snippet, "Write-ahead log {with braces}");
  EXPECT_EQ(got[1].url, "http://ex.org/journal");
  EXPECT_EQ(got[1].snippet, "]} inside a string");
}

TEST(SearxJson, ObjectScanHandlesNestingAndEnds) {
  // Nested objects stay inside their result; "]" at depth 0 ends the array,
  // so the object after it is not read; an unterminated object is dropped.
  const std::string body =
      "{\"query\":\"x\",\"results\" : [ {\"url\":\"https://a.example/\",\"meta\":{\"k\":\"}\"}},"
      "\"stray string { \", {\"url\":\"https://b.example/\"} ], \"more\": "
      "[{\"url\":\"https://c/\"}]}";
  auto objects = searx_result_objects(body);
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0], "{\"url\":\"https://a.example/\",\"meta\":{\"k\":\"}\"}}");
  EXPECT_EQ(objects[1], "{\"url\":\"https://b.example/\"}");

  EXPECT_EQ(searx_result_objects("{\"results\": [{\"url\":\"https://a/\"").size(), 0u);
  EXPECT_TRUE(searx_result_objects("{\"results\": 3}").empty());
  EXPECT_TRUE(searx_result_objects("{\"answers\": [{\"url\":\"https://a/\"}]}").empty());
  EXPECT_TRUE(searx_result_objects("").empty());
  EXPECT_TRUE(searx_result_objects("<html>502 Bad Gateway</html>").empty());
}
