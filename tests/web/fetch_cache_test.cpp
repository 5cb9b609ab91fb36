#include "web/fetch_cache.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/unix_time.h"
#include "web/cache_test_env.h"
#include "web/fetch_policy.h"

using namespace zub;
using zub_test::CacheSandbox;

namespace {

constexpr const char* kUrl = "https://example.com/page";  // URL class: 900 s

// The cache as the environment configures it, one entry per call.
CacheEntry entry(std::string_view url) { return CacheEntry(url, fetch_policy_from_env()); }

std::optional<std::string> lookup(std::string_view url) {
  auto hit = entry(url).fresh();
  if (!hit) return std::nullopt;
  return hit->body;
}

void store(std::string_view url, std::string_view body, std::optional<std::string_view> headers) {
  entry(url).store(body, headers);
}

std::string cc(const char* value) { return "{\"cache-control\":[\"" + std::string(value) + "\"]}"; }

std::vector<std::string> dir_entries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
  }
  return names;
}

}  // namespace

TEST(CacheRecordText, ParsesFourLinesAndRejectsBadNumbers) {
  auto r = parse_cache_record("12\n+34\n\"tag\"\nTue, 01 Nov 1994 00:00:00 GMT\n");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->fetch_time, 12u);
  EXPECT_EQ(r->lifetime, 34u);
  EXPECT_EQ(r->etag, "\"tag\"");
  EXPECT_EQ(r->last_modified, "Tue, 01 Nov 1994 00:00:00 GMT");

  auto crlf = parse_cache_record("1\r\n18446744073709551615\r\nE\r\n");
  ASSERT_TRUE(crlf);
  EXPECT_EQ(crlf->lifetime, kNoLifetime);
  EXPECT_EQ(crlf->etag, "E");
  EXPECT_EQ(crlf->last_modified, "");

  for (const char* bad :
       {"", "1\n", "x\n2\n", "1\n-2\n", "1\n18446744073709551616\n", "1\n\n", " 1\n2\n"})
    EXPECT_FALSE(parse_cache_record(bad)) << bad;

  CacheRecord rec{7, kNoLifetime, "W/\"x\"", "", std::nullopt};
  EXPECT_EQ(format_cache_record(rec), "7\n18446744073709551615\nW/\"x\"\n\n");
  auto back = parse_cache_record(format_cache_record(rec));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->etag, rec.etag);
}

TEST(FetchCache, StoresUnderFnvNameAndServesWhileFresh) {
  CacheSandbox box;
  EXPECT_FALSE(lookup(kUrl));
  EXPECT_FALSE(entry(kUrl).validated());
  EXPECT_FALSE(entry(kUrl).stored_body());
  EXPECT_NE(::access(box.cache_dir().c_str(), F_OK), 0) << "reading creates nothing";
  store(kUrl, "<p>body</p>", std::nullopt);
  // The files are named by the key with the cache's own initial value.
  EXPECT_EQ(box.read(box.body_file(kUrl)), "<p>body</p>");
  auto rec = entry(kUrl).record();
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->lifetime, kNoLifetime);
  EXPECT_GE(rec->fetch_time + 5, unix_now());
  EXPECT_EQ(lookup(kUrl), "<p>body</p>");

  // A trailing slash or another letter case is another entry.
  EXPECT_FALSE(lookup(std::string(kUrl) + "/"));
  EXPECT_FALSE(lookup("https://example.com/Page"));

  // Age equal to the lifetime is still fresh; one second more is stale.
  box.age_body(kUrl, 899);
  EXPECT_TRUE(lookup(kUrl));
  box.age_body(kUrl, 901);
  EXPECT_FALSE(lookup(kUrl));

  // No temporary file is left beside the entry.
  auto names = dir_entries(box.cache_dir());
  EXPECT_EQ(names.size(), 2u);
}

TEST(FetchCache, ServerLifetimesAndStaleFloor) {
  CacheSandbox box;
  store(kUrl, "a", std::string(cc("max-age=60")));
  EXPECT_EQ(entry(kUrl).record()->lifetime, 60u);
  box.age_body(kUrl, 120);
  EXPECT_FALSE(lookup(kUrl));
  box.env.set("ZUB_STALE", "3600");
  EXPECT_EQ(lookup(kUrl), "a");
  box.age_body(kUrl, 3601);
  EXPECT_FALSE(lookup(kUrl));
  box.env.set("ZUB_STALE", "lots");  // unparsable counts as unset
  box.age_body(kUrl, 120);
  EXPECT_FALSE(lookup(kUrl));
}

TEST(FetchCache, WhatIsStoredDependsOnHeadersAndClass) {
  CacheSandbox box;
  const std::string revalidatable = "{\"cache-control\":[\"max-age=0\"],\"etag\":[\"\\\"v1\\\"\"]}";
  store(kUrl, "old", std::string(cc("max-age=0")));
  EXPECT_FALSE(box.read(box.body_file(kUrl))) << "max-age=0 without validators is not kept";

  store(kUrl, "v1", revalidatable);
  auto rec = entry(kUrl).record();
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->lifetime, 0u);
  EXPECT_EQ(rec->etag, "\"v1\"");
  EXPECT_FALSE(lookup(kUrl)) << "lifetime 0 is never served directly";

  // no-store leaves the older entry exactly as it was.
  store(kUrl, "secret", std::string(cc("private, no-store")));
  EXPECT_EQ(box.read(box.body_file(kUrl)), "v1");
  EXPECT_EQ(entry(kUrl).record()->etag, "\"v1\"");

  // With ZUB_STALE set, lifetime 0 is stored even without validators.
  box.env.set("ZUB_STALE", "100");
  store("https://example.com/other", "o", std::string(cc("max-age=0")));
  EXPECT_EQ(lookup("https://example.com/other"), "o");
  box.env.unset("ZUB_STALE");

  // Class 0 (status pages) is never stored without a server lifetime...
  store("https://status.example.com/", "s", std::nullopt);
  store("https://status.example.com/", "s", std::string("{\"server\":[\"x\"]}"));
  EXPECT_FALSE(box.read(box.body_file("https://status.example.com/")));
  // ...but is with one.
  store("https://status.example.com/", "s", std::string(cc("max-age=30")));
  EXPECT_EQ(lookup("https://status.example.com/"), "s");
}

TEST(FetchCache, CacheTtlZeroStopsStoringAndServingClassEntries) {
  CacheSandbox box;
  store(kUrl, "kept", std::nullopt);
  box.env.set("ZUB_CACHE_TTL", "0");
  EXPECT_FALSE(lookup(kUrl));
  store("https://example.com/new", "n", std::nullopt);
  EXPECT_FALSE(box.read(box.body_file("https://example.com/new")));
  box.env.set("ZUB_CACHE_TTL", "5");
  box.age_body(kUrl, 6);
  EXPECT_FALSE(lookup(kUrl));
  box.env.set("ZUB_CACHE_TTL", "+7");
  EXPECT_EQ(lookup(kUrl), "kept");
}

TEST(FetchCache, SwitchesNoCacheAndRefresh) {
  CacheSandbox box;
  store(kUrl, "x", std::nullopt);
  box.env.set("ZUB_REFRESH", "");  // set to the empty string still counts
  EXPECT_FALSE(lookup(kUrl));
  store(kUrl, "y", std::nullopt);  // refresh still stores
  box.env.unset("ZUB_REFRESH");
  EXPECT_EQ(lookup(kUrl), "y");

  box.env.set("ZUB_NO_CACHE", "1");
  EXPECT_FALSE(lookup(kUrl));
  EXPECT_FALSE(entry(kUrl).record());
  store(kUrl, "z", std::nullopt);
  box.env.unset("ZUB_NO_CACHE");
  EXPECT_EQ(lookup(kUrl), "y");
}

TEST(FetchCache, TroubleReadsAsMiss) {
  CacheSandbox box;
  // Not UTF-8, future modification time, malformed record.
  store(kUrl, "ok", std::nullopt);
  box.tmp.write(
      "home/.claude/cache/zub-fetch/" + box.body_file(kUrl).substr(box.cache_dir().size() + 1),
      "\xff\xfe");
  EXPECT_FALSE(lookup(kUrl));
  store(kUrl, "ok", std::nullopt);
  box.age_body(kUrl, -100);
  EXPECT_FALSE(lookup(kUrl));
  store(kUrl, "ok", std::string(cc("max-age=1")));
  box.tmp.write(box.record_file(kUrl).substr(box.tmp.path().size() + 1), "garbage\n5\n");
  EXPECT_FALSE(entry(kUrl).record());
  EXPECT_EQ(lookup(kUrl), "ok") << "a malformed record falls back to the URL class";

  // HOME unset or empty: no cache at all.
  box.env.unset("HOME");
  EXPECT_FALSE(fetch_policy_from_env().cache_dir);
  EXPECT_FALSE(lookup(kUrl));
  store(kUrl, "q", std::nullopt);
  box.env.set("HOME", "");
  EXPECT_FALSE(fetch_policy_from_env().cache_dir);
}

TEST(FetchCache, UnwritableDirectoryStoresNothingAndNeverTearsAnEntry) {
  CacheSandbox box;
  // The directory cannot be created: a file is in the way.
  box.tmp.write("home/.claude/cache/zub-fetch", "not a directory");
  store(kUrl, "x", std::nullopt);
  EXPECT_FALSE(lookup(kUrl));
  ::unlink(box.cache_dir().c_str());

  // The body cannot be replaced (a directory holds its name): the record is
  // not written either, so it never describes a body that is not there.
  const std::string other = "https://example.com/other";
  ::mkdir(box.cache_dir().c_str(), 0777);
  ::mkdir(box.body_file(other).c_str(), 0777);
  store(other, "y", std::string("{\"etag\":[\"e\"],\"cache-control\":[\"max-age=60\"]}"));
  EXPECT_FALSE(entry(other).record());
  EXPECT_FALSE(lookup(other));

  if (geteuid() != 0) {
    // A read-only directory (meaningless for root, who may write anyway).
    store(kUrl, "before", std::nullopt);
    ::chmod(box.cache_dir().c_str(), 0555);
    store(kUrl, "after", std::nullopt);
    EXPECT_EQ(lookup(kUrl), "before");
    ::chmod(box.cache_dir().c_str(), 0755);
  }
}

TEST(FetchCache, ValidatorsWithLineBreaksAreNotKept) {
  CacheSandbox sandbox;
  // "\n" inside the JSON string decodes to a line feed: kept, it would turn
  // the four-line record into five and inject a header into the next request.
  store(kUrl, "b",
        std::string("{\"cache-control\":[\"max-age=60\"],"
                    "\"etag\":[\"\\\"a\\nX-Evil: 1\\\"\"],"
                    "\"last-modified\":[\"Tue, 01 Nov 1994 00:00:00 GMT\"]}"));
  auto rec = entry(kUrl).record();
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->etag, "");
  EXPECT_EQ(rec->last_modified, "Tue, 01 Nov 1994 00:00:00 GMT");
  EXPECT_EQ(rec->lifetime, 60u);
}

// Two stores of one URL racing each other can leave one's record beside the
// other's body. The record names its body, so such a pair is a miss and its
// validators are not offered; a record of an older version (four lines)
// still serves its body.
TEST(FetchCache, RecordServesOnlyTheBodyItWasWrittenWith) {
  CacheSandbox box;
  const std::string headers = "{\"cache-control\":[\"max-age=600\"],\"etag\":[\"\\\"v1\\\"\"]}";
  store(kUrl, "first body", headers);
  auto rec = entry(kUrl).record();
  ASSERT_TRUE(rec && rec->body);
  EXPECT_EQ(*rec->body, body_check_of("first body"));
  EXPECT_EQ(lookup(kUrl), "first body");
  EXPECT_EQ(entry(kUrl).stored_body(), "first body");

  for (const char* other : {"other body, longer", "first bodY"}) {  // another size, the same size
    ASSERT_TRUE(write_file_atomic(box.body_file(kUrl), other));
    EXPECT_FALSE(lookup(kUrl)) << other;
    EXPECT_FALSE(entry(kUrl).stored_body()) << other;
  }

  // A four-line record names no body: served as before.
  ASSERT_TRUE(
      write_file_atomic(box.record_file(kUrl), std::to_string(unix_now()) + "\n600\n\"v1\"\n\n"));
  EXPECT_EQ(lookup(kUrl), "first bodY");
  // A fifth line that does not parse is ignored, as older versions do.
  ASSERT_TRUE(write_file_atomic(box.record_file(kUrl), "1\n600\n\n\nnot a check\n"));
  ASSERT_TRUE(entry(kUrl).record());
  EXPECT_FALSE(entry(kUrl).record()->body);

  CacheRecord named{7, 60, "e", "", BodyCheck{10, 0xabcdef}};
  EXPECT_EQ(format_cache_record(named), "7\n60\ne\n\n10 0000000000abcdef\n");
  auto back = parse_cache_record(format_cache_record(named));
  ASSERT_TRUE(back && back->body);
  EXPECT_EQ(*back->body, *named.body);
}

// File names are a 64-bit hash with a published start value, so another URL
// can be made to land on a trusted one's files. The record names its URL
// (a sixth line); a record of another URL is a miss for every read, and
// records of older versions without the line are still read.
TEST(FetchCache, RecordNamesItsUrlAndAnotherUrlsEntryIsAMiss) {
  CacheSandbox box;
  const std::string headers = "{\"cache-control\":[\"max-age=600\"],\"etag\":[\"\\\"v1\\\"\"]}";
  store(kUrl, "trusted", headers);
  auto rec = entry(kUrl).record();
  ASSERT_TRUE(rec && rec->url);
  EXPECT_EQ(*rec->url, kUrl);
  EXPECT_EQ(lookup(kUrl), "trusted");

  // The same files claimed by another URL (as a colliding one would).
  const std::string forged = "https://evil.example/collides";
  rec->url = forged;
  ASSERT_TRUE(write_file_atomic(box.record_file(kUrl), format_cache_record(*rec)));
  EXPECT_FALSE(lookup(kUrl));
  EXPECT_FALSE(entry(kUrl).validated());
  EXPECT_FALSE(entry(kUrl).stored_body());
  EXPECT_FALSE(entry(kUrl).record());

  // A five-line record of an older version still serves its body.
  rec->url.reset();
  ASSERT_TRUE(write_file_atomic(box.record_file(kUrl), format_cache_record(*rec)));
  EXPECT_EQ(lookup(kUrl), "trusted");

  CacheRecord no_body{7, 60, "", "", std::nullopt, std::string("u")};
  EXPECT_EQ(format_cache_record(no_body), "7\n60\n\n\n\nu\n");
  auto back = parse_cache_record(format_cache_record(no_body));
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->body);
  EXPECT_EQ(back->url, "u");
  // A URL that cannot stand on one line is never cached.
  store("https://example.com/a\nb", "x", std::nullopt);
  EXPECT_FALSE(lookup("https://example.com/a\nb"));
}
