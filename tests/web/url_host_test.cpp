#include "web/url_host.h"

#include <gtest/gtest.h>

using namespace zub;

TEST(UrlHost, TakesTextAfterSchemeUpToSlashAndDropsWww) {
  struct Case {
    const char* url;
    const char* host;
  } cases[] = {
      {"https://www.example.com/a/b", "example.com"},
      {"https://www.www.example.com", "example.com"},
      {"http://user@Example.COM:8080/x", "user@Example.COM:8080"},
      {"https://example.com?q=1", "example.com?q=1"},
      {"example.com/path", "example.com"},
      {"no-scheme-at-all", "no-scheme-at-all"},
      {"https://a.com://b.com/x", "a.com"},
      {"https://", ""},
      {"http://127.0.0.2:9000/p", "127.0.0.2:9000"},
      {"https://wwwx.example.com/", "wwwx.example.com"},
  };
  for (const auto& c : cases) EXPECT_EQ(url_host(c.url), c.host) << c.url;
}
