#include "web/header_json.h"

#include <gtest/gtest.h>

#include "web/http_date.h"

using namespace zub;

TEST(HeaderValue, ReadsFirstValueAndDecodesEscapes) {
  const std::string json =
      "{\"etag\":[\"\\\"abc\\\"\"],\n\"x\": [ \"a\\nb\\tc\\\\d\\/e\" , \"second\"],"
      "\"u\":[\"\\u00e9\\uAC00\\ud83d\\ude00!\"],\"lone\":[\"a\\ud800b\"],"
      "\"num\":[5],\"open\":[\"never closed],\"short\":[\"\\u12\"],\"bad\":[\"\\uzzzz\"]}";
  EXPECT_EQ(header_value(json, "etag"), "\"abc\"");
  EXPECT_EQ(header_value(json, "x"), "a\nb\tc\\d/e");
  EXPECT_EQ(header_value(json, "u"), "\xC3\xA9\xEA\xB0\x80\xF0\x9F\x98\x80!");
  EXPECT_EQ(header_value(json, "lone"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(header_value(json, "num"), std::nullopt);
  EXPECT_EQ(header_value(json, "missing"), std::nullopt);
  EXPECT_EQ(header_value(json, "short"), std::nullopt);
  EXPECT_EQ(header_value(json, "bad"), std::nullopt);
  EXPECT_EQ(header_value("{\"a\":[\"x\\", "a"), std::nullopt);
  EXPECT_EQ(header_value("{\"open\":[\"abc", "open"), std::nullopt);
  // A name is only found as a whole key: "age" does not match "x-age".
  EXPECT_EQ(header_value("{\"x-age\":[\"1\"]}", "age"), std::nullopt);
}

TEST(ParseHttpDate, AcceptsTheImfLayoutOnly) {
  EXPECT_EQ(parse_http_date("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777);
  EXPECT_EQ(parse_http_date("  Thu, 01 Jan 1970 00:00:00 GMT  "), 0);
  EXPECT_EQ(parse_http_date("Thu, 01 Jan 1970 00:00:00"), 0);  // zone is not needed
  EXPECT_EQ(parse_http_date("x 29 Feb 2024 12:00:00 GMT"), 1709208000);
  EXPECT_EQ(parse_http_date("x 1 Mar 2000 00:00:00 UTC"), 951868800);
  EXPECT_EQ(parse_http_date("x 31 Dec 1969 23:59:59 GMT"), -1);
  // No range checks: day 40 of January is 9 February.
  EXPECT_EQ(parse_http_date("x 40 Jan 1970 00:00:00 GMT"), 39 * 86400);
  EXPECT_EQ(parse_http_date("x +1 Jan +1970 +0:+0:+5 GMT"), 5);
  for (const char* bad :
       {"", "Sun, 06 Nov 1994", "Sun, 06 nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
        "Sun Nov  6 08:49:37 1994", "Sun, 06 Nov 1994 08:49 GMT",
        "Sun, 06 Nov 1994 08:49:37:01 GMT", "Sun, 06 Nov 1994 08::37 GMT",
        "Sun, -6 Nov 1994 08:49:37 GMT", "Sun, 06 Nov 99999999999999999999 08:49:37 GMT"})
    EXPECT_EQ(parse_http_date(bad), std::nullopt) << bad;
  // Huge but parseable fields that do not fit the result are nothing, not garbage.
  EXPECT_EQ(parse_http_date("x 1 Jan 18446744073709551615 0:0:0 GMT"), std::nullopt);
}

namespace {

std::string headers(std::initializer_list<std::pair<const char*, const char*>> h) {
  std::string j = "{";
  for (const auto& [k, v] : h) {
    if (j.size() > 1) j += ",\n";
    j += '"';
    j += k;
    j += "\":[\"";
    j += v;
    j += "\"]";
  }
  return j + "}";
}

}  // namespace

TEST(FreshnessFromHeaders, DirectivesThenExpiresThenLastModified) {
  const int64_t now = 1700000000;
  struct Case {
    std::string json;
    bool may_store;
    uint64_t lifetime;
  } cases[] = {
      {headers({{"cache-control", "private, no-store"}}), false, kNoLifetime},
      {headers({{"cache-control", "public, max-age=31536000, Immutable"}}), true, 2592000},
      {headers({{"cache-control", "no-cache, max-age=600"}}), true, 0},
      {headers({{"cache-control", "max-age=600"}, {"age", "100"}}), true, 500},
      {headers({{"cache-control", "max-age=600"}, {"age", " 700 "}}), true, 0},
      {headers({{"cache-control", "max-age=600"}, {"age", "soon"}}), true, 600},
      {headers({{"cache-control", "MAX-AGE=60"}}), true, 60},
      {headers({{"cache-control", "max-age=60, s-maxage=120"}}), true, 120},
      {headers({{"cache-control", "s-maxage=, max-age=30"}}), true, 30},
      {headers({{"cache-control", "max-age=99999999999999999999"}}), true, kNoLifetime},
      {headers({{"cache-control", "max-age=18446744073709551615"}}), true, kNoLifetime - 1},
      {headers({{"date", "Sun, 06 Nov 1994 08:00:00 GMT"},
                {"expires", "Sun, 06 Nov 1994 09:00:00 GMT"}}),
       true, 3600},
      {headers({{"date", "Sun, 06 Nov 1994 10:00:00 GMT"},
                {"expires", "Sun, 06 Nov 1994 09:00:00 GMT"}}),
       true, 0},
      {headers({{"expires", "Tue, 14 Nov 2023 22:30:00 GMT"}}), true, 1000},  // against now
      {headers({{"date", "Sun, 11 Nov 1994 00:00:00 GMT"},
                {"last-modified", "Tue, 01 Nov 1994 00:00:00 GMT"}}),
       true, 86400},
      // An Expires in another layout falls back to Last-Modified.
      {headers({{"date", "Sun, 11 Nov 1994 00:00:00 GMT"},
                {"expires", "Sunday, 13-Nov-94 00:00:00 GMT"},
                {"last-modified", "Tue, 01 Nov 1994 00:00:00 GMT"}}),
       true, 86400},
      {headers({{"last-modified", "Tue, 01 Nov 1994 00:00:00 GMT"}}), true, kNoLifetime},
      {headers({{"content-type", "text/html"}}), true, kNoLifetime},
      {"", true, kNoLifetime},
  };
  for (const auto& c : cases) {
    Freshness f = freshness_from_headers(c.json, now);
    EXPECT_EQ(f.may_store, c.may_store) << c.json;
    if (c.may_store) {
      EXPECT_EQ(f.lifetime, c.lifetime) << c.json;
    }
  }
}
