// The cache flags of `zub fetch` end to end: the front end turns them into
// environment switches and the cache honours them within the same process.
#include <gtest/gtest.h>

#include "support/http_server.h"
#include "web/cache_test_env.h"

using zub_test::CacheSandbox;
using zub_test::HttpServer;
using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::ScriptedResponse;

namespace {

RunOptions env_for(const CacheSandbox& box) {
  RunOptions o;
  o.env_set = {"HOME=" + box.home, "no_proxy=*", "NO_PROXY=*"};
  o.env_unset = {"ZUB_NO_CACHE", "ZUB_REFRESH", "ZUB_CACHE_TTL", "ZUB_STALE", "ZUB_CACHE_DEBUG",
                 "http_proxy",   "HTTP_PROXY",  "all_proxy",     "ALL_PROXY"};
  return o;
}

}  // namespace

TEST(FetchCacheFlags, RefreshNoCacheTtlAndStaleFromTheCommandLine) {
  CacheSandbox box;
  HttpServer server({"127.0.0.1", "127.0.0.2"});
  ScriptedResponse page;
  page.body = "<html><body><main><h1>Reference</h1>";
  for (int i = 0; i < 20; ++i)
    page.body += "<p>Paragraph " + std::to_string(i) +
                 ": cached words here, with enough ordinary prose to read as the main "
                 "content of a documentation page.</p>";
  page.body += "</main></body></html>";
  page.headers = {{"Cache-Control", "max-age=60"}};
  server.route("/p", page);
  const std::string url = server.url("/p", "127.0.0.2");
  const RunOptions env = env_for(box);

  auto first = run_zub({"fetch", url}, env);
  EXPECT_EQ(first.status, 0);
  EXPECT_NE(first.out.find("cached words here"), std::string::npos) << first.out;
  auto hit = run_zub({"fetch", url}, env);
  EXPECT_NE(hit.out.find("cached words here"), std::string::npos);
  EXPECT_EQ(server.hits("/p"), 1);

  run_zub({"fetch", "--refresh", url}, env);  // bypasses, still stores
  EXPECT_EQ(server.hits("/p"), 2);
  run_zub({"fetch", url, "--no-cache"}, env);  // flags count anywhere
  EXPECT_EQ(server.hits("/p"), 3);
  run_zub({"fetch", url}, env);
  EXPECT_EQ(server.hits("/p"), 3);

  // Past the server's 60 seconds only --stale keeps the entry fresh.
  box.age_body(url, 120);
  run_zub({"fetch", "--stale", "3600", url}, env);
  EXPECT_EQ(server.hits("/p"), 3);
  run_zub({"fetch", url}, env);
  EXPECT_EQ(server.hits("/p"), 4);

  // --ttl lifts the lifetime-0 class of 127.0.0.1 for pages without a
  // server lifetime.
  ScriptedResponse local;
  local.body = "<p>local page</p>";
  server.route("/l", local);
  const std::string local_url = server.url("/l", "127.0.0.1");
  run_zub({"fetch", local_url}, env);
  run_zub({"fetch", local_url}, env);
  EXPECT_EQ(server.hits("/l"), 2);
  run_zub({"fetch", "--ttl", "600", local_url}, env);
  run_zub({"fetch", "--ttl", "600", local_url}, env);
  EXPECT_EQ(server.hits("/l"), 3);
}
