#include "web/url_ttl.h"

#include <gtest/gtest.h>

#include "web/cache_test_env.h"

using namespace zub;

TEST(UrlTtl, FirstMatchingClassDecides) {
  struct Case {
    const char* url;
    uint64_t ttl;
  } cases[] = {
      // 0: status pages, local services, health checks
      {"https://status.example.com/", 0},
      {"http://localhost/x", 0},
      {"http://127.0.0.1:8888/search?format=json", 0},
      {"https://api.example.com/v1/health", 0},
      {"https://api.example.com/ping", 0},
      {"https://example.com/service/status", 0},
      {"https://example.com/status/page", 900},  // /status only counts at the end
      {"http://localhost:3000/docs", 86400},     // localhost with a port is not "localhost"
      // 900: volatile
      {"https://example.com/pricing", 900},
      {"https://example.com/docs/rate_limits", 900},  // volatile wins over docs
      {"https://example.com/somewhere", 900},
      // 30 days: archives, standards, pinned versions, dates
      {"https://arxiv.org/abs/2101.00001", 2592000},
      {"https://www.rfc-editor.org/rfc/rfc9110", 2592000},
      {"https://datatracker.ietf.org/doc/html/rfc9110", 2592000},
      {"https://datatracker.ietf.org/doc/draft-x", 900},
      {"https://peps.python.org/pep-0008/", 2592000},
      {"https://example.com/lib/v1.2.3/index.html", 2592000},
      {"https://example.com/lib/3.12/", 2592000},
      {"https://example.com/lib/v2/", 900},  // no dot: not a version
      {"https://github.com/o/r/blob/0123456789abcdef0123456789ABCDEF01234567/f.c", 2592000},
      {"https://example.com/2024/05/post", 2592000},
      {"https://example.com/1999/05/post", 900},
      {"https://example.com/2024/5/post", 900},
      // 1 hour: blogs and news
      {"https://example.com/blog/post", 3600},
      {"https://blog.example.com/post", 3600},
      {"https://example.com/CHANGELOG.md", 3600},
      {"https://github.com/o/r/releases", 3600},
      {"https://news.example.com/", 3600},
      {"https://news.ycombinator.com/item?id=1", 3600},
      {"https://www.reddit.com/r/cpp", 3600},
      {"https://example.com/api/models", 3600},
      // 7 days: stable references
      {"https://docs.python.org/3/library/os.html", 604800},
      {"https://en.cppreference.com/w/cpp/string", 604800},
      {"https://man7.org/linux/man-pages/man2/open.2.html", 604800},
      {"https://www.postgresql.org/docs/current/sql.html", 604800},
      // 1 day: docs, encyclopedia, code hosting
      {"https://en.wikipedia.org/wiki/HTTP", 86400},
      {"https://github.com/o/r", 86400},
      {"https://raw.githubusercontent.com/o/r/main/README.md", 86400},
      {"https://example.com/docs/intro", 86400},
      {"https://example.com/api/users", 86400},
      {"https://EXAMPLE.com/Docs/Intro", 86400},  // letters are compared lower-cased
      // no scheme: the whole text is the host and the path is "/"
      {"example.com/docs", 900},
  };
  for (const auto& c : cases) EXPECT_EQ(url_ttl(c.url, std::nullopt), c.ttl) << c.url;
}

TEST(UrlTtl, CacheTtlOverridesEveryClassWhenItParses) {
  zub_test::ScopedEnv env;
  env.set("ZUB_CACHE_TTL", "+42");
  EXPECT_EQ(url_ttl("http://127.0.0.1/health", fetch_policy_from_env().ttl), 42u);
  EXPECT_EQ(url_ttl("https://docs.python.org/3/", fetch_policy_from_env().ttl), 42u);
  env.set("ZUB_CACHE_TTL", "0");
  EXPECT_EQ(url_ttl("https://docs.python.org/3/", fetch_policy_from_env().ttl), 0u);
  env.set("ZUB_CACHE_TTL", "soon");
  EXPECT_EQ(url_ttl("https://docs.python.org/3/", fetch_policy_from_env().ttl), 604800u);
  env.set("ZUB_CACHE_TTL", "");
  EXPECT_EQ(url_ttl("https://docs.python.org/3/", fetch_policy_from_env().ttl), 604800u);
}
