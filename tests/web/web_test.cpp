// End-to-end runs of `zub web` against stand-in curl and docker programs
// that serve realistic result pages and the local service's JSON.
#include <gtest/gtest.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>

#include "base/utf8.h"
#include "support/http_server.h"
#include "web/engine_pages.h"
#include "web/engine_standins.h"

using namespace zub_test;

namespace {

constexpr const char* kNoResults =
    "zub web: 결과 0건. 엔진 차단이면 로컬 SearXNG 를 띄워라:\n"
    "  docker start searxng  (127.0.0.1:8888)\n";
constexpr const char* kRestartNote = "[zub] searxng 가 내려가 있어 다시 띄웠다\n";

// An article page whose main content is `words` long paragraphs.
std::string article(const std::string& heading, int paragraphs) {
  std::string html = "<!DOCTYPE html><html><head><title>" + heading +
                     "</title></head><body><nav><a href=\"/\">Home</a> <a href=\"/blog\">Blog</a>"
                     "</nav><article><h1>" +
                     heading + "</h1>";
  for (int p = 0; p < paragraphs; ++p)
    html += "<p>Paragraph " + std::to_string(p) + " of " + heading +
            " explains how the write-ahead log keeps readers and the writer apart, why "
            "checkpoints move pages back into the database file, and what to watch for.</p>";
  return html + "</article><footer>© 2026</footer></body></html>";
}

std::vector<std::vector<std::string>> calls_for(const EngineStandIns& s, const std::string& url) {
  std::vector<std::vector<std::string>> out;
  for (auto& c : s.curl_calls())
    if (!c.empty() && c.back() == url) out.push_back(c);
  return out;
}

constexpr const char* kRealCurl = "/usr/bin/curl";

ScriptedResponse json_response(const std::string& body) {
  ScriptedResponse r;
  r.body = body;
  r.headers = {{"Content-Type", "application/json"}};
  return r;
}

size_t count_of(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

}  // namespace

TEST(WebCommand, FusesThreeEnginesWithDebugLine) {
  EngineStandIns s;
  const std::string q = "sqlite+wal";
  s.serve(
      searx_url(q),
      searx_json({
          {"Write-Ahead Logging - SQLite", "https://www.sqlite.org/wal.html", "WAL mode."},
          {"WAL internals", "https://blog.example.net/wal-internals", "How the wal-index works."},
      }));
  s.serve(brave_url(q),
          brave_page({
              {"Write-Ahead Logging", "https://sqlite.org/wal.html",
               "The default method is a rollback journal."},
              {"How does SQLite WAL work?",
               "https://stackoverflow.com/questions/1/wal?utm_source=brave", "Asked 10 years ago."},
          }));
  s.serve(
      bing_url(q),
      bing_page({
          {"Write-Ahead Logging - SQLite", "http://www.sqlite.org/wal.html/",
           "The default method by which SQLite implements atomic commit is a rollback journal."},
          {"How does SQLite WAL work? - Stack Overflow",
           "https://stackoverflow.com/questions/1/wal",
           "Asked 10 years ago, viewed 5k times, with three answers."},
      }));
  auto r = run_zub({"web", "sqlite wal"}, s.options({"ZUB_WEB_DEBUG="}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(
      r.out,
      "1. Write-Ahead Logging: sqlite.org\n"
      "   The default method by which SQLite implements atomic commit is a rollback journal.\n"
      "   [searx+brave+bing 0.0361]\n"
      "   https://www.sqlite.org/wal.html\n"
      "2. How does SQLite WAL work?: stackoverflow.com\n"
      "   Asked 10 years ago, viewed 5k times, with three answers.\n"
      "   [brave+bing 0.0194]\n"
      "   https://stackoverflow.com/questions/1/wal?utm_source=brave\n"
      "3. WAL internals: blog.example.net\n"
      "   How the wal-index works.\n"
      "   [searx 0.0161]\n"
      "   https://blog.example.net/wal-internals\n");

  // Each engine page was asked for once, with the result-page timeout.
  for (const auto& url : {searx_url(q), brave_url(q), bing_url(q)}) {
    auto calls = calls_for(s, url);
    ASSERT_EQ(calls.size(), 1u) << url;
    EXPECT_EQ(arg_after(calls[0], "-m"), "20");
  }

  // Without the switch there is no debug line. The public result pages
  // come from the cache this time; the local service is never cached.
  auto quiet = run_zub({"web", "sqlite wal", "1"}, s.options());
  EXPECT_EQ(
      quiet.out,
      "1. Write-Ahead Logging: sqlite.org\n"
      "   The default method by which SQLite implements atomic commit is a rollback journal.\n"
      "   https://www.sqlite.org/wal.html\n");
  EXPECT_EQ(calls_for(s, brave_url(q)).size(), 1u);
  EXPECT_EQ(calls_for(s, bing_url(q)).size(), 1u);
  EXPECT_EQ(calls_for(s, searx_url(q)).size(), 2u);
}

TEST(WebCommand, MergeKeyJoinsVariantsButNotOtherParameters) {
  EngineStandIns s;
  const std::string q = "guide";
  s.refuse(searx_url(q));
  s.serve(brave_url(q),
          brave_page({
              {"The Example Guide", "https://www.example.org/guide/?utm_source=x&utm_medium=y",
               "Brave snippet."},
              {"Example list page one", "https://example.org/list?page=1",
               "The first page of the list."},
          }));
  s.serve(bing_url(q), bing_page({
                           {"The Example Guide", "http://example.org/guide", "Bing's snippet."},
                           {"Example list page two", "https://example.org/list?page=2", "second"},
                       }));
  auto r = run_zub({"web", "guide", "10"}, s.options({"ZUB_WEB_DEBUG=1"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "1. The Example Guide: example.org\n"
            "   Bing's snippet.\n"
            "   [brave+bing 0.0197]\n"
            "   https://www.example.org/guide/?utm_source=x&utm_medium=y\n"
            "2. Example list page one: example.org\n"
            "   The first page of the list.\n"
            "   [brave 0.0097]\n"
            "   https://example.org/list?page=1\n");
  // The page=2 record scored as much as page=1 but is the host's third.
  EXPECT_EQ(r.out.find("page=2"), std::string::npos);
}

TEST(WebCommand, ThirdRecordOfHostGivesWayToNextHost) {
  EngineStandIns s;
  const std::string q = "x";
  s.serve(searx_url(q), searx_json({
                            {"Docs page one", "https://docs.a.example/1", ""},
                            {"Docs page two", "https://www.docs.a.example/2", ""},
                            {"Docs page three", "https://docs.a.example/3", ""},
                            {"Other host page", "https://b.example/1", ""},
                            {"Blocked redirect", "https://bit.ly/abc", ""},
                            {"Last host page", "https://c.example/1", ""},
                        }));
  s.serve(brave_url(q), "<html>no results</html>");
  s.serve(bing_url(q), "<html>no results</html>", 503);
  auto r = run_zub({"web", "x", "4"}, s.options());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "1. Docs page one: docs.a.example\n   https://docs.a.example/1\n"
            "2. Docs page two: docs.a.example\n   https://www.docs.a.example/2\n"
            "3. Other host page: b.example\n   https://b.example/1\n"
            "4. Last host page: c.example\n   https://c.example/1\n");
}

TEST(WebCommand, ZeroListedStillFetchesBodies) {
  EngineStandIns s;
  const std::string q = "wal";
  s.serve(searx_url(q), searx_json({
                            {"First article title", "https://one.example/a", "one"},
                            {"Second article title", "https://two.example/b", "two"},
                            {"Third article title", "https://three.example/c", "three"},
                        }));
  s.refuse(brave_url(q), 28);
  s.refuse(bing_url(q), 6);
  s.serve("https://one.example/a", article("First article", 3));
  s.serve("https://two.example/b", "gone", 404);
  auto r = run_zub({"web", "wal", "0", "-d", "2"}, s.options());
  EXPECT_EQ(r.status, 0) << r.err;
  // Nothing is listed; the bodies follow an empty line and are printed as
  // `fetch` prints the same URLs with the budget 9000 / 2.
  auto f = run_zub({"fetch", "https://one.example/a", "https://two.example/b", "-n", "4500"},
                   s.options());
  EXPECT_EQ(r.out, "\n" + f.out);
  EXPECT_NE(f.out.find("## one.example\n### First article\n"), std::string::npos) << f.out;
  EXPECT_NE(f.out.find("## two.example\n[fetch 실패: HTTP 404]\n"), std::string::npos);
  EXPECT_EQ(r.out.find("three.example"), std::string::npos);
  auto body_calls = calls_for(s, "https://one.example/a");
  ASSERT_GE(body_calls.size(), 1u);
  EXPECT_EQ(arg_after(body_calls[0], "-m"), "25");
}

// A result is a link on a public page: one that leads into the machine,
// its network or the link (cloud metadata), in any spelling, is listed but
// never fetched, and its section says why.
TEST(WebCommand, ResultsIntoTheMachinesOwnAddressesAreNotFetched) {
  EngineStandIns s;
  const std::string q = "wal";
  const std::vector<std::pair<std::string, std::string>> inside = {
      {"http://169.254.169.254/latest/meta-data/iam/", "링크 로컬"},
      {"http://10.1.2.3/admin", "사설"},
      {"http://\uFF11\uFF12\uFF17.\uFF10.\uFF10.\uFF11:8080/x", "루프백"},
      {"http://localhost:631/", "루프백"},
  };
  std::vector<PageHit> hits = {{"Public article", "https://ok.example/a", "fine"}};
  for (const auto& [url, kind] : inside) {
    hits.push_back({"Inside " + kind, url, "secret"});
    s.serve(url, article("Credentials", 2));
  }
  s.serve("https://ok.example/a", article("Public", 2));
  s.serve(searx_url(q), searx_json(hits));
  s.serve(brave_url(q), "");
  s.serve(bing_url(q), "");
  auto r = run_zub({"web", q, "5", "-d", "5"}, s.options());
  EXPECT_EQ(r.status, 0) << r.err;
  for (const auto& [url, kind] : inside) {
    EXPECT_NE(r.out.find("   " + url + "\n"), std::string::npos) << "listed: " << url;
    EXPECT_NE(
        r.out.find("\n[fetch 안 함: 검색 결과가 " + kind + " 주소를 가리킨다: " + url + "]\n"),
        std::string::npos)
        << url << "\n"
        << r.out;
    EXPECT_TRUE(calls_for(s, url).empty()) << "fetched " << url;
  }
  EXPECT_EQ(r.out.find("Credentials"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("## ok.example\nParagraph 0 of Public"), std::string::npos) << r.out;
}

TEST(WebCommand, MoreBodiesThanListedEntries) {
  EngineStandIns s;
  const std::string q = "wal";
  std::vector<PageHit> hits;
  const char* hosts[] = {"h1.example", "h2.example", "h3.example",
                         "h4.example", "h5.example", "h6.example"};
  for (int i = 0; i < 6; ++i) {
    const std::string url = std::string("https://") + hosts[i] + "/article";
    hits.push_back({"Article number " + std::to_string(i + 1), url, "snippet"});
    s.serve(url, article("Article " + std::to_string(i + 1), 12));
  }
  s.serve(searx_url(q), searx_json(hits));
  s.serve(brave_url(q), "");
  s.serve(bing_url(q), "");
  auto r = run_zub({"web", "wal", "3", "-d", "5"}, s.options());
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string listing =
      "1. Article number 1: h1.example\n   snippet\n   https://h1.example/article\n"
      "2. Article number 2: h2.example\n   snippet\n   https://h2.example/article\n"
      "3. Article number 3: h3.example\n   snippet\n   https://h3.example/article\n\n";
  ASSERT_EQ(r.out.substr(0, listing.size()), listing);
  const std::string bodies = r.out.substr(listing.size());
  // Five sections in kept order, each cut at 9000 / 5 = 1800 characters
  // of markdown; its heading line prints a level lower, two "#" more.
  size_t pos = 0;
  for (int i = 1; i <= 5; ++i) {
    const std::string heading = "## h" + std::to_string(i) + ".example\n";
    const size_t at = bodies.find(heading, pos);
    ASSERT_NE(at, std::string::npos) << heading;
    const size_t cut = bodies.find("\n…[cut]\n", at);
    ASSERT_NE(cut, std::string::npos);
    const size_t text_start = at + heading.size();
    EXPECT_EQ(zub::char_count(std::string_view(bodies).substr(text_start, cut - text_start)),
              1800u + 2);
    pos = cut;
  }
  EXPECT_EQ(bodies.find("h6.example"), std::string::npos);
  EXPECT_EQ(count_of(bodies, "…[cut]"), 5u);
}

TEST(WebCommand, NoResultAnywhere) {
  EngineStandIns s;
  const std::string q = "nothing+here";
  s.refuse(searx_url(q));
  s.serve(brave_url(q), "<html><body><p>No results found.</p></body></html>");
  // Only blocked hosts: every hit is filtered out.
  s.serve(bing_url(q), bing_page({{"Bing Maps result page", "https://www.bing.com/maps", "x"},
                                  {"Short link", "https://bit.ly/3xYz", "y"}},
                                 false));
  auto r = run_zub({"web", "nothing here", "-d", "2"}, s.options());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, kNoResults);
}

TEST(WebCommand, SearxDownWithoutDocker) {
  EngineStandIns s;
  // A second bare word sets N back to 6; the query is the first word alone.
  const std::string q = "sqlite";
  s.refuse(searx_url(q));
  s.serve(brave_url(q),
          brave_page({{"SQLite Home Page", "https://sqlite.org/", "Small. Fast. Reliable."}}));
  s.serve(bing_url(q), bing_page({{"SQLite - Wikipedia", "https://en.wikipedia.org/wiki/SQLite",
                                   "SQLite is a database engine written in C."}}));
  auto r = run_zub({"web", "sqlite", "1", "wal"}, s.options());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(
      r.out,
      "1. SQLite Home Page: sqlite.org\n   Small. Fast. Reliable.\n   https://sqlite.org/\n"
      "2. SQLite - Wikipedia: en.wikipedia.org\n   SQLite is a database engine written in C.\n"
      "   https://en.wikipedia.org/wiki/SQLite\n");
  EXPECT_EQ(calls_for(s, searx_url(q)).size(), 1u);
}

TEST(WebCommand, SearxDownAndDockerCannotStartIt) {
  EngineStandIns s;
  s.install_docker(1);
  const std::string q = "wal";
  s.refuse(searx_url(q));
  s.serve(brave_url(q), brave_page({{"Write-Ahead Logging", "https://sqlite.org/wal.html",
                                     "Write-ahead logging in SQLite."}}));
  s.refuse(bing_url(q), 28);
  auto r = run_zub({"web", "wal"}, s.options());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "1. Write-Ahead Logging: sqlite.org\n   Write-ahead logging in SQLite.\n"
            "   https://sqlite.org/wal.html\n");
  EXPECT_EQ(s.docker_calls(), std::vector<std::string>{"start searxng"});
  EXPECT_EQ(calls_for(s, searx_url(q)).size(), 1u);
}

TEST(WebCommand, SearxRestartedByDocker) {
  EngineStandIns s;
  s.install_docker(0);
  const std::string q = "wal";
  s.refuse(searx_url(q));
  s.serve_after_docker(searx_url(q),
                       searx_json({{"Local result", "https://local.example/r", "from searx"}}));
  s.serve(brave_url(q), brave_page({{"Brave result title", "https://brave-hit.example/",
                                     "Found by the second engine."}}));
  s.serve(bing_url(q), "");
  auto r = run_zub({"web", "wal"}, s.options({"ZUB_WEB_DEBUG=yes", "ZUB_TEST_SEARX_RETRY_MS=1"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, kRestartNote);
  EXPECT_EQ(r.out,
            "1. Local result: local.example\n   from searx\n   [searx 0.0164]\n   "
            "https://local.example/r\n"
            "2. Brave result title: brave-hit.example\n   Found by the second engine.\n   [brave "
            "0.0098]\n"
            "   https://brave-hit.example/\n");
  auto calls = calls_for(s, searx_url(q));
  ASSERT_EQ(calls.size(), 2u);
  std::vector<std::string> timeouts = {arg_after(calls[0], "-m"), arg_after(calls[1], "-m")};
  std::sort(timeouts.begin(), timeouts.end());
  EXPECT_EQ(timeouts, (std::vector<std::string>{"10", "20"}));
}

TEST(WebCommand, SearxStaysDownAfterRestart) {
  EngineStandIns s;
  s.install_docker(0);  // docker "works", but the service never answers
  const std::string q = "wal";
  s.refuse(searx_url(q));
  s.serve(brave_url(q), "");
  s.serve(bing_url(q), bing_page({{"Write-Ahead Logging - SQLite", "https://sqlite.org/wal.html",
                                   "Write-ahead logging in SQLite."}}));
  const auto t0 = std::chrono::steady_clock::now();
  auto r = run_zub({"web", "wal"}, s.options({"ZUB_TEST_SEARX_RETRY_MS=30"}));
  const auto elapsed = std::chrono::steady_clock::now() - t0;
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, kRestartNote);
  EXPECT_EQ(r.out,
            "1. Write-Ahead Logging: sqlite.org\n   Write-ahead logging in SQLite.\n"
            "   https://sqlite.org/wal.html\n");
  auto calls = calls_for(s, searx_url(q));
  ASSERT_EQ(calls.size(), 11u);
  size_t retries = 0;
  for (const auto& c : calls) retries += arg_after(c, "-m") == "10";
  EXPECT_EQ(retries, 10u);
  EXPECT_GE(elapsed, std::chrono::milliseconds(300));  // ten waits of 30 ms
  EXPECT_EQ(s.docker_calls(), std::vector<std::string>{"start searxng"});
}

TEST(WebCommand, SearxAnswersFromLoopbackServer) {
  if (access(kRealCurl, X_OK) != 0) GTEST_SKIP() << "no curl at " << kRealCurl;
  HttpServer server;
  const std::string target = "/search?format=json&safesearch=0&q=sqlite+wal";
  server.route(target, json_response(searx_json({
                           {"SQLite WAL \u2014 the docs", "https://www.sqlite.org/wal.html",
                            "Write-ahead logging explained."},
                       })));
  EngineStandIns s;
  s.forward_searx(server.port(), kRealCurl);
  const std::string q = "sqlite+wal";
  s.serve(brave_url(q), brave_page({{"Brave result title", "https://brave-hit.example/",
                                     "Found by the second engine."}}));
  s.refuse(bing_url(q), 6);
  auto r = run_zub({"web", "sqlite wal"}, s.options({"ZUB_WEB_DEBUG=1"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "1. SQLite WAL — the docs: sqlite.org\n   Write-ahead logging explained.\n"
            "   [searx 0.0164]\n   https://www.sqlite.org/wal.html\n"
            "2. Brave result title: brave-hit.example\n   Found by the second engine.\n"
            "   [brave 0.0098]\n   https://brave-hit.example/\n");
  EXPECT_EQ(server.hits(target), 1);
}

TEST(WebCommand, SearxRestartAgainstLoopbackServer) {
  if (access(kRealCurl, X_OK) != 0) GTEST_SKIP() << "no curl at " << kRealCurl;
  uint16_t dead_port = 0;
  {
    HttpServer gone;  // its port is closed again when it goes away
    dead_port = gone.port();
  }
  HttpServer server;
  const std::string target = "/search?format=json&safesearch=0&q=wal";
  server.route(
      target,
      json_response(searx_json({{"Local result", "https://local.example/r", "from searx"}})));
  EngineStandIns s;
  s.install_docker(0);
  s.forward_searx(dead_port, kRealCurl);
  s.forward_searx_after_docker(server.port(), kRealCurl);
  s.serve(brave_url("wal"), "");
  s.serve(bing_url("wal"), "");
  auto r = run_zub({"web", "wal"}, s.options({"ZUB_TEST_SEARX_RETRY_MS=1"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, kRestartNote);
  EXPECT_EQ(r.out, "1. Local result: local.example\n   from searx\n   https://local.example/r\n");
  EXPECT_EQ(server.hits(target), 1);
  EXPECT_EQ(s.docker_calls(), std::vector<std::string>{"start searxng"});
}

TEST(WebCommand, BodiesOnTwoHostsComeFromOneBatch) {
  EngineStandIns s;
  const std::string q = "wal";
  std::vector<PageHit> hits;
  std::vector<std::string> urls;
  for (const char* url : {"https://a.example/1", "https://a.example/2", "https://b.example/1",
                          "https://b.example/2"}) {
    hits.push_back({std::string("Article at ") + url, url, "snippet"});
    urls.push_back(url);
    s.serve(url, article(std::string("Article ") + url, 2));
  }
  s.serve(searx_url(q), searx_json(hits));
  s.serve(brave_url(q), "");
  s.serve(bing_url(q), "");
  auto r = run_zub({"web", "wal", "0", "-d", "4", "-n", "400"}, s.options());
  EXPECT_EQ(r.status, 0) << r.err;
  // Four URLs on two hosts: one curl run with parallel transfers.
  size_t batches = 0;
  for (const auto& c : s.curl_calls()) {
    if (std::find(c.begin(), c.end(), "--parallel") == c.end()) continue;
    ++batches;
    EXPECT_EQ(arg_after(c, "-m"), "25");
    EXPECT_EQ(c.size(), 8u + 10u + 5u + 4u * 3u);  // prefix, headers, batch options, -o pairs
  }
  EXPECT_EQ(batches, 1u);
  auto f = run_zub({"fetch", urls[0], urls[1], urls[2], urls[3], "-n", "100"}, s.options());
  EXPECT_EQ(r.out, "\n" + f.out);
  EXPECT_EQ(count_of(r.out, "## a.example\n"), 2u);
  EXPECT_EQ(count_of(r.out, "## b.example\n"), 2u);
}

// Line feeds and escape sequences in a result's title, snippet and URL
// cannot forge listing lines or reach the terminal.
TEST(WebCommand, ControlCharactersInResultsStayInTheirLine) {
  EngineStandIns s;
  const std::string q = "wal";
  s.serve(searx_url(q),
          R"({"results": [{"url": "https://one.example/a\n2. forged: evil.example", )"
          R"("title": "Real title\n2. Forged title: evil.example\u001b[31m\r", )"
          R"("content": "snippet\u0000 with\u001b]0;owned\u0007 bell\u0085end\u2028x"}]})");
  s.refuse(brave_url(q), 6);
  s.refuse(bing_url(q), 6);
  auto r = run_zub({"web", "wal"}, s.options());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count_of(r.out, "\n"), 3u) << r.out;
  for (char c : r.out) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << r.out;
  EXPECT_EQ(r.out.find("\x7f"), std::string::npos);
  EXPECT_EQ(r.out.find("\xc2\x85"), std::string::npos);
  EXPECT_EQ(r.out.rfind("1. Real title 2. Forged title", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\n   snippet with]0;owned bell end x\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n   https://one.example/a%0A2. forged: evil.example\n"), std::string::npos)
      << r.out;
}
