#include "web/curl_runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <fstream>

#include "support/http_server.h"
#include "web/cache_test_env.h"
#include "web/cached_fetch.h"
#include "web/fetch_cache.h"

using namespace zub;
using zub_test::CacheSandbox;
using zub_test::HttpServer;
using zub_test::ScriptedResponse;

namespace {

ScriptedResponse page(std::string body,
                      std::vector<std::pair<std::string, std::string>> headers = {}) {
  ScriptedResponse r;
  r.body = std::move(body);
  r.headers = std::move(headers);
  return r;
}

ScriptedResponse status(int code, std::string body = "error page") {
  ScriptedResponse r;
  r.status = code;
  r.body = std::move(body);
  return r;
}

// Puts a `curl` first on PATH that logs each argument vector (one line per
// run) and then runs the real curl, so tests can see how many processes a
// call started and in which mode.
struct CurlLog {
  std::string bin;
  std::string log;
  explicit CurlLog(CacheSandbox& box) {
    bin = box.tmp.mkdir("bin");
    log = box.tmp.path() + "/curl.log";
    box.tmp.write("bin/curl",
                  "#!/bin/sh\nline=$(printf ' %s' \"$@\" | tr '\\n' '|')\necho \"RUN$line\" >> '" +
                      log + "'\nexec /usr/bin/curl \"$@\"\n");
    ::chmod((bin + "/curl").c_str(), 0755);
    const char* path = std::getenv("PATH");
    box.env.set("PATH", bin + ":" + (path ? path : "/usr/bin:/bin"));
  }
  std::vector<std::string> runs() const {
    std::vector<std::string> lines;
    std::ifstream f(log);
    for (std::string line; std::getline(f, line);) lines.push_back(line);
    return lines;
  }
  size_t batch_runs() const {
    size_t n = 0;
    for (const auto& l : runs()) n += l.find("--parallel") != std::string::npos;
    return n;
  }
};

// Cached entries are only kept for hosts outside the lifetime-0 class, so
// the servers here listen on 127.0.0.2 and up.
const std::vector<std::string> kHosts = {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"};

}  // namespace

TEST(SplitCurlOutput, SearchesMarkersFromTheEnd) {
  auto a = split_curl_output("<p>x</p>\n\n<<<ZUBHTTP:200\n<<<ZUBHDR:{\"etag\":[\"e\"]}\n");
  EXPECT_EQ(a.body, "<p>x</p>");
  EXPECT_EQ(a.status, 200);
  EXPECT_EQ(a.header_json, "{\"etag\":[\"e\"]}\n");

  // Markers inside the document never win over the trailer.
  const std::string tricky = "a <<<ZUBHTTP:404 b\n<<<ZUBHDR:{} c";
  auto b = split_curl_output(tricky + "\n<<<ZUBHTTP:201\n<<<ZUBHDR:{}");
  EXPECT_EQ(b.body, tricky);
  EXPECT_EQ(b.status, 201);
  EXPECT_EQ(b.header_json, "{}");

  // No status marker: the whole head, untouched, with status 200.
  auto c = split_curl_output("plain body  \n");
  EXPECT_EQ(c.body, "plain body  \n");
  EXPECT_EQ(c.status, 200);
  EXPECT_EQ(c.header_json, "");

  EXPECT_EQ(split_curl_output("x\n<<<ZUBHTTP:abc\n<<<ZUBHDR:{}").status, 0);
  EXPECT_EQ(split_curl_output("x\n<<<ZUBHTTP:70000").status, 0);
  EXPECT_EQ(split_curl_output("x\n<<<ZUBHTTP: +304 ").status, 304);
  // Trailing Unicode white space of the document goes too.
  EXPECT_EQ(split_curl_output("x\xE3\x80\x80\n<<<ZUBHTTP:200").body, "x");
}

TEST(BatchWriteout, ReadsOneBlockPerTransfer) {
  const std::string text =
      "<<<ZUBB:1 0 200\n{\"etag\":[\"a\"],\n\"x\":[\"<<<ZUBE\"]\n}\n<<<ZUBE\n"
      "<<<ZUBB:0 0 404\n{}\n<<<ZUBE\n"
      "<<<ZUBB:2 28 000\n{}\n<<<ZUBE\n"
      "<<<ZUBB:3 0 200\n{}\n<<<ZUBE\n"  // index beyond the URLs
      "<<<ZUBB:x 0 200\n{}\n<<<ZUBE\n"
      "<<<ZUBB:0 0 +301\n{\"a\":[\"b\"]}\n<<<ZUBE\n"  // a later block wins
      "<<<ZUBB:2 0 200\n{\"cut\":[\"off\"]}\n";       // never ended: ignored
  auto t = parse_batch_writeout(text, 3);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].status, 301);
  EXPECT_EQ(t[0].header_json, "{\"a\":[\"b\"]}");
  EXPECT_TRUE(t[1].reported);
  EXPECT_EQ(t[1].status, 200);
  EXPECT_EQ(t[1].exit_code, 0);
  EXPECT_EQ(t[1].header_json, "{\"etag\":[\"a\"],\n\"x\":[\"<<<ZUBE\"]\n}");
  EXPECT_EQ(t[2].exit_code, 28);
  EXPECT_EQ(t[2].status, 0);
  EXPECT_EQ(t[2].header_json, "");  // "{}": no headers at all
  EXPECT_FALSE(parse_batch_writeout("", 2)[1].reported);
}

TEST(BatchOrThreads, BatchWhenTwoOrMoreUrlsPerHost) {
  EXPECT_FALSE(prefers_batch({"http://a/1", "http://b/1", "http://c/1"}));
  EXPECT_TRUE(prefers_batch({"http://a/1", "http://a/2", "http://b/1", "http://b/2"}));
  EXPECT_FALSE(prefers_batch({"http://a/1", "http://a/2", "http://b/1"}));
  EXPECT_TRUE(prefers_batch({"http://www.a/1", "http://a/2"}));  // same host after www.
  EXPECT_FALSE(prefers_batch({"http://a:1/", "http://a:2/"}));   // ports make hosts distinct
}

TEST(FetchOne, StoresThenAnswersFromCacheWithoutStartingAProcess) {
  CacheSandbox box;
  HttpServer server(kHosts);
  server.route("/doc", page("<h1>Doc</h1>\n\n"));
  const std::string url = server.url("/doc");
  FetchResult r = fetch_one(url, "10", box.policy(), box.out);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.body, "<h1>Doc</h1>");  // trailing white space goes with the trailer
  EXPECT_EQ(server.hits("/doc"), 1);
  EXPECT_EQ(box.read(box.body_file(url)), "<h1>Doc</h1>");

  // With no curl reachable at all the hit still answers: no process starts.
  box.env.set("PATH", box.tmp.mkdir("empty-bin"));
  FetchResult again = fetch_one(url, "10", box.policy(), box.out);
  ASSERT_TRUE(again.ok) << again.error;
  EXPECT_EQ(again.body, "<h1>Doc</h1>");
  EXPECT_EQ(server.hits("/doc"), 1);

  // The same URL with a trailing slash is another entry: a real fetch, which
  // now fails because curl is missing.
  FetchResult other = fetch_one(url + "/", "10", box.policy(), box.out);
  EXPECT_FALSE(other.ok);
  EXPECT_EQ(other.error.rfind("curl: ", 0), 0u) << other.error;
  EXPECT_NE(other.error.find("(os error 2)"), std::string::npos) << other.error;
}

TEST(FetchOne, ExpiryByAgeRefetches) {
  CacheSandbox box;
  HttpServer server(kHosts);
  server.route("/a", page("one", {{"Cache-Control", "max-age=60"}}));
  const std::string url = server.url("/a");
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "one");
  EXPECT_EQ(box.record(url)->lifetime, 60u);
  box.age_body(url, 30);
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "one");
  EXPECT_EQ(server.hits("/a"), 1);

  server.route("/a", page("two", {{"Cache-Control", "max-age=60"}}));
  box.age_body(url, 61);
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "two");
  EXPECT_EQ(server.hits("/a"), 2);

  // ZUB_STALE stretches the server's 60 seconds to an hour.
  box.env.set("ZUB_STALE", "3600");
  box.age_body(url, 1800);
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "two");
  EXPECT_EQ(server.hits("/a"), 2);
}

TEST(FetchOne, RevalidatesWithEtagAndRestartsTheAgeClock) {
  CacheSandbox box;
  HttpServer server(kHosts);
  server.route("/e", page("tagged body",
                          {{"Cache-Control", "max-age=100"}, {"Age", "40"}, {"ETag", "\"v1\""}}));
  const std::string url = server.url("/e");
  ASSERT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "tagged body");
  auto rec = box.record(url);
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->lifetime, 60u);
  EXPECT_EQ(rec->etag, "\"v1\"");

  box.age_body(url, 500);
  box.env.set("ZUB_CACHE_DEBUG", "1");
  FetchResult r = fetch_one(url, "10", box.policy(), box.out);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.body, "tagged body");
  EXPECT_EQ(server.hits("/e"), 2);
  EXPECT_EQ(server.not_modified("/e"), 1);
  EXPECT_EQ(server.requests().back().headers["if-none-match"], "\"v1\"");
  EXPECT_EQ(server.requests().back().headers.count("if-modified-since"), 0u);
  // The 304 carried max-age=100 and Age 40 again: the record keeps that.
  EXPECT_EQ(box.record(url)->lifetime, 60u);
  EXPECT_EQ(box.record(url)->etag, "\"v1\"");
  EXPECT_EQ(box.out.err, "[304 revalidated, 본문 전송 0] " + url + "\n");

  // The age clock restarted: the next call is a plain hit.
  box.out.err.clear();
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "tagged body");
  EXPECT_EQ(server.hits("/e"), 2);
  EXPECT_EQ(box.out.err.rfind("[cache hit ", 0), 0u) << box.out.err;
}

TEST(FetchOne, RevalidatesWithLastModifiedWhenLifetimeIsZero) {
  CacheSandbox box;
  HttpServer server(kHosts);
  const std::string lm = "Tue, 01 Nov 1994 00:00:00 GMT";
  server.route("/lm", page("v1 text", {{"Cache-Control", "no-cache"}, {"Last-Modified", lm}}));
  const std::string url = server.url("/lm");
  ASSERT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "v1 text");
  EXPECT_EQ(box.record(url)->lifetime, 0u);
  // Lifetime 0 with a validator: every fetch asks, and a 304 serves it.
  for (int i = 0; i < 2; ++i) {
    FetchResult r = fetch_one(url, "10", box.policy(), box.out);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.body, "v1 text");
  }
  EXPECT_EQ(server.hits("/lm"), 3);
  EXPECT_EQ(server.not_modified("/lm"), 2);
  EXPECT_EQ(server.requests().back().headers["if-modified-since"], lm);

  // A changed page comes back whole and replaces the entry.
  server.route("/lm", page("v2 text", {{"Cache-Control", "no-cache"},
                                       {"Last-Modified", "Wed, 02 Nov 1994 00:00:00 GMT"}}));
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "v2 text");
  EXPECT_EQ(box.read(box.body_file(url)), "v2 text");

  // A 304 whose stored body has gone is an error, not an empty page.
  ::unlink(box.body_file(url).c_str());
  ScriptedResponse always304 = status(304, "");
  server.route("/lm", always304);
  FetchResult gone = fetch_one(url, "10", box.policy(), box.out);
  EXPECT_FALSE(gone.ok);
  EXPECT_EQ(gone.error, "HTTP 304");
  EXPECT_EQ(server.requests().back().headers.count("if-modified-since"), 0u)
      << "no conditional request without the body file";
}

TEST(FetchOne, NoStoreAndErrorsLeaveTheCacheAlone) {
  CacheSandbox box;
  HttpServer server(kHosts);
  server.route("/p", page("first", {{"ETag", "\"a\""}, {"Cache-Control", "max-age=0"}}));
  const std::string url = server.url("/p");
  ASSERT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "first");
  server.route("/p", page("private", {{"Cache-Control", "private, no-store"}}));
  box.env.set("ZUB_REFRESH", "1");
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "private");
  EXPECT_EQ(box.read(box.body_file(url)), "first");
  EXPECT_EQ(box.record(url)->etag, "\"a\"");

  for (int code : {404, 500}) {
    const std::string target = "/err" + std::to_string(code);
    server.route(target, status(code, "<h1>oops</h1>"));
    FetchResult r = fetch_one(server.url(target), "10", box.policy(), box.out);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "HTTP " + std::to_string(code));
    EXPECT_EQ(r.body, "");
    EXPECT_FALSE(box.read(box.body_file(server.url(target))));
  }
}

TEST(FetchOne, RefreshAndNoCacheSwitches) {
  CacheSandbox box;
  HttpServer server(kHosts);
  server.route("/r", page("r1", {{"ETag", "\"r\""}, {"Cache-Control", "max-age=600"}}));
  const std::string url = server.url("/r");
  ASSERT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "r1");

  // Refresh: no lookup and no conditional headers, but the answer is stored.
  box.env.set("ZUB_REFRESH", "");
  server.route("/r", page("r2", {{"ETag", "\"r\""}, {"Cache-Control", "max-age=600"}}));
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "r2");
  EXPECT_EQ(server.requests().back().headers.count("if-none-match"), 0u);
  EXPECT_EQ(box.read(box.body_file(url)), "r2");
  box.env.unset("ZUB_REFRESH");

  // No cache: nothing read, nothing written.
  box.env.set("ZUB_NO_CACHE", "1");
  server.route("/r", page("r3", {{"Cache-Control", "max-age=600"}}));
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "r3");
  EXPECT_EQ(server.hits("/r"), 3);
  EXPECT_EQ(box.read(box.body_file(url)), "r2");
  box.env.unset("ZUB_NO_CACHE");
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "r2");
  EXPECT_EQ(server.hits("/r"), 3);
}

TEST(FetchOne, LoopbackClassIsNeverStoredWithoutServerLifetime) {
  CacheSandbox box;
  HttpServer server;  // 127.0.0.1: lifetime class 0
  server.route("/x", page("local"));
  const std::string url = server.url("/x");
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "local");
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "local");
  EXPECT_EQ(server.hits("/x"), 2);
  EXPECT_FALSE(box.read(box.body_file(url)));
  // ZUB_CACHE_TTL lifts the class.
  box.env.set("ZUB_CACHE_TTL", "300");
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "local");
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "local");
  EXPECT_EQ(server.hits("/x"), 3);
}

TEST(FetchOne, TimeoutMarkersAndBrokenEncoding) {
  CacheSandbox box;
  HttpServer server(kHosts);
  ScriptedResponse slow = page("late");
  slow.delay_ms = 5000;
  server.route("/slow", slow);
  auto start = std::chrono::steady_clock::now();
  FetchResult r = fetch_one(server.url("/slow"), "1", box.policy(), box.out);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "curl 28: 시간 안에 끝나지 않았다");

  const std::string tricky = "text <<<ZUBHTTP:500\nmore\n<<<ZUBHDR:{\"etag\":[\"x\"]}\nend";
  server.route("/m", page(tricky));
  FetchResult m = fetch_one(server.url("/m"), "10", box.policy(), box.out);
  ASSERT_TRUE(m.ok) << m.error;
  EXPECT_EQ(m.body, tricky);

  server.route("/bin", page("a\xff"
                            "b"));
  EXPECT_EQ(fetch_one(server.url("/bin"), "10", box.policy(), box.out).body,
            "a\xEF\xBF\xBD"
            "b");

  FetchResult refused = fetch_one("http://127.0.0.9:1/", "5", box.policy(), box.out);
  EXPECT_EQ(refused.error, "curl 7: 서버에 연결하지 못했다 (연결 거부이거나 네트워크가 없다)");
}

TEST(FetchOne, HomeUnsetOrCacheUnwritableStillFetches) {
  CacheSandbox box;
  HttpServer server(kHosts);
  server.route("/h", page("body", {{"Cache-Control", "max-age=600"}}));
  const std::string url = server.url("/h");
  box.env.unset("HOME");
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "body");
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "body");
  EXPECT_EQ(server.hits("/h"), 2);

  box.env.set("HOME", box.home);
  box.tmp.write("home/.claude/cache/zub-fetch", "a file where the directory should be");
  EXPECT_EQ(fetch_one(url, "10", box.policy(), box.out).body, "body");
  EXPECT_EQ(server.hits("/h"), 3);
}

TEST(FetchAll, EmptyAndSingle) {
  CacheSandbox box;
  EXPECT_TRUE(fetch_all({}, box.policy(), box.out).empty());
  box.env.set("PATH", box.tmp.mkdir("empty-bin"));
  auto one = fetch_all({"http://127.0.0.2:1/"}, box.policy(), box.out);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].error.rfind("curl: ", 0), 0u);
  // A batch without curl: every URL is a connection failure.
  auto many = fetch_all({"http://127.0.0.2:1/a", "http://127.0.0.2:1/b"}, box.policy(), box.out);
  ASSERT_EQ(many.size(), 2u);
  EXPECT_EQ(many[0].error, "연결 실패");
  EXPECT_EQ(many[1].error, "연결 실패");
}

TEST(FetchAll, ThreadsForManyHostsInInputOrderWithSomeCached) {
  CacheSandbox box;
  HttpServer server(kHosts);
  CurlLog curl(box);
  for (int i = 0; i < 4; ++i) {
    ScriptedResponse r = page("page " + std::to_string(i));
    r.delay_ms = (3 - i) * 150;  // later URLs finish first
    server.route("/p" + std::to_string(i), r);
  }
  std::vector<std::string> urls;
  for (int i = 0; i < 4; ++i) urls.push_back(server.url("/p" + std::to_string(i), kHosts[i]));
  // One URL cached beforehand.
  ASSERT_EQ(fetch_one(urls[1], "10", box.policy(), box.out).body, "page 1");
  size_t before = curl.runs().size();

  auto results = fetch_all(urls, box.policy(), box.out);
  ASSERT_EQ(results.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(results[i].ok) << results[i].error;
    EXPECT_EQ(results[i].body, "page " + std::to_string(i));
  }
  EXPECT_EQ(curl.runs().size() - before, 3u) << "three hosts, three single fetches";
  EXPECT_EQ(curl.batch_runs(), 0u);
  EXPECT_EQ(server.hits("/p1"), 1);
}

TEST(FetchAll, OneBatchForFewHostsWithStatusesAndOrder) {
  CacheSandbox box;
  HttpServer server(kHosts);
  CurlLog curl(box);
  server.route("/a", page("A body\n"));
  ScriptedResponse slow = page("B body");
  slow.delay_ms = 300;
  server.route("/b", slow);
  server.route("/gone", status(404));
  server.route("/c", page("C <<<ZUBHTTP:500 body"));
  server.route("/cached", page("cached body"));
  // "/cached" is in the cache; the other five go by the batch rule.
  const std::string cached_url = server.url("/cached", kHosts[1]);
  ASSERT_EQ(fetch_one(cached_url, "10", box.policy(), box.out).body, "cached body");

  std::vector<std::string> urls = {
      server.url("/a", kHosts[0]),    server.url("/b", kHosts[0]), cached_url,
      server.url("/gone", kHosts[1]), server.url("/c", kHosts[1]), server.url("/a", kHosts[0])};
  auto results = fetch_all(urls, box.policy(), box.out);
  ASSERT_EQ(results.size(), 6u);
  EXPECT_EQ(results[0].body, "A body\n");  // batch bodies are kept byte for byte
  EXPECT_EQ(results[1].body, "B body");
  EXPECT_EQ(results[2].body, "cached body");
  EXPECT_FALSE(results[3].ok);
  EXPECT_EQ(results[3].error, "HTTP 404");
  EXPECT_EQ(results[4].body, "C <<<ZUBHTTP:500 body");
  EXPECT_EQ(results[5].body, "A body\n");
  EXPECT_EQ(curl.batch_runs(), 1u);
  EXPECT_EQ(server.hits("/cached"), 1);

  // Batch answers are stored without headers (URL class), errors are not.
  EXPECT_EQ(box.read(box.body_file(urls[1])), "B body");
  EXPECT_EQ(box.record(urls[1])->lifetime, kNoLifetime);
  EXPECT_FALSE(box.read(box.body_file(urls[3])));
  // And the batch directory is gone.
  EXPECT_NE(::access(("/tmp/zubf" + std::to_string(::getpid())).c_str(), F_OK), 0);
}

TEST(FetchAll, BatchDirectoryIsPrivateAndNeverWrittenThroughALink) {
  CacheSandbox box;
  HttpServer server(kHosts);
  server.route("/1", page("one"));
  server.route("/2", page("two"));
  box.env.set("TMPDIR", box.tmp.mkdir("tmp"));
  const std::string planted = box.tmp.path() + "/tmp/zubf" + std::to_string(::getpid());
  const std::string victim = box.tmp.write("victim", "precious");

  // Someone else's directory of our name, full of links to our files.
  ::mkdir(planted.c_str(), 0777);
  ::chmod(planted.c_str(), 0777);
  ASSERT_EQ(::symlink(victim.c_str(), (planted + "/b0").c_str()), 0);
  auto results = fetch_all({server.url("/1"), server.url("/2")}, box.policy(), box.out);
  EXPECT_EQ(results[0].body, "one");
  EXPECT_EQ(results[1].body, "two");
  EXPECT_EQ(box.read(victim), "precious");
  struct stat st;
  ASSERT_EQ(::lstat((planted + "/b0").c_str(), &st), 0) << "the foreign directory is left alone";
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  // A link in place of the directory.
  ::unlink((planted + "/b0").c_str());
  ::rmdir(planted.c_str());
  const std::string elsewhere = box.tmp.mkdir("elsewhere");
  ASSERT_EQ(::symlink(elsewhere.c_str(), planted.c_str()), 0);
  box.env.set("ZUB_REFRESH", "1");
  results = fetch_all({server.url("/1"), server.url("/2")}, box.policy(), box.out);
  EXPECT_EQ(results[1].body, "two");
  EXPECT_FALSE(box.read(elsewhere + "/b1"));
  ::unlink(planted.c_str());

  if (geteuid() == 0) {
    // A private directory of our name that belongs to another user.
    ASSERT_EQ(::mkdir(planted.c_str(), 0700), 0);
    ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
    results = fetch_all({server.url("/1"), server.url("/2")}, box.policy(), box.out);
    EXPECT_EQ(results[0].body, "one");
    EXPECT_EQ(::access(planted.c_str(), F_OK), 0) << "someone else's directory is not removed";
    ::rmdir(planted.c_str());
  }

  // Not even a private directory of our own name is used: bodies never
  // pass through the temporary directory, so nothing there is touched.
  ASSERT_EQ(::mkdir(planted.c_str(), 0700), 0);
  ASSERT_EQ(::symlink(victim.c_str(), (planted + "/b1").c_str()), 0);
  results = fetch_all({server.url("/1"), server.url("/2")}, box.policy(), box.out);
  EXPECT_EQ(results[1].body, "two");
  EXPECT_EQ(box.read(victim), "precious");
  ASSERT_EQ(::lstat((planted + "/b1").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(FetchOne, UrlThatLooksLikeAnOptionStaysAUrl) {
  CacheSandbox box;
  HttpServer server(kHosts);
  server.route("/p", page("page"));
  // As an option this would make curl fetch the page into `written`.
  const std::string written = box.tmp.path() + "/written";
  const std::string config =
      box.tmp.write("cfg", "url = \"" + server.url("/p") + "\"\noutput = \"" + written + "\"\n");
  for (const auto& results :
       {std::vector<FetchResult>{fetch_one("-K" + config, "5", box.policy(), box.out)},
        fetch_all({"-K" + config, "--config=" + config}, box.policy(), box.out)}) {
    for (const auto& r : results) {
      EXPECT_FALSE(r.ok);
      EXPECT_NE(r.error, "");
    }
  }
  EXPECT_EQ(server.hits("/p"), 0);
  EXPECT_FALSE(box.read(written));
}

// A batch reads each transfer's own headers and result: a private page is
// not stored, and one broken transfer is fetched again alone.
TEST(FetchAll, BatchHonoursNoStoreAndRetriesOnlyTheBrokenTransfer) {
  CacheSandbox box;
  HttpServer server(kHosts);
  server.route("/private", page("private page", {{"Cache-Control", "no-store, private"}}));
  server.route("/kept", page("kept page", {{"Cache-Control", "max-age=600"}}));
  ScriptedResponse broken = page("half a page");
  broken.cut_short = true;
  server.route("/broken", broken);
  const std::vector<std::string> urls = {server.url("/private"), server.url("/kept"),
                                         server.url("/broken")};
  ASSERT_TRUE(prefers_batch(urls));

  auto results = fetch_all(urls, box.policy(), box.out);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].body, "private page");
  EXPECT_EQ(results[1].body, "kept page");
  EXPECT_FALSE(results[2].ok);
  EXPECT_EQ(results[2].error, "curl 18: 전송이 중간에 끊겼다 (알린 크기보다 덜 받았다)");
  EXPECT_EQ(server.hits("/private"), 1);
  EXPECT_EQ(server.hits("/kept"), 1);
  EXPECT_EQ(server.hits("/broken"), 2) << "the batch, then one retry of its own";

  EXPECT_FALSE(box.read(box.body_file(urls[0])));
  EXPECT_EQ(box.read(box.body_file(urls[1])), "kept page");
  ASSERT_TRUE(box.record(urls[1]));
  EXPECT_EQ(box.record(urls[1])->lifetime, 600u) << "the server's lifetime, not the URL class";
  EXPECT_FALSE(box.read(box.body_file(urls[2])));
}
