#include "web/listing.h"

#include <gtest/gtest.h>

#include "base/utf8.h"

using namespace zub;

TEST(Listing, CleanTitle) {
  struct Case {
    const char* title;
    const char* host;
    const char* want;
  } cases[] = {
      {"Write-Ahead Logging - SQLite", "sqlite.org", "Write-Ahead Logging"},
      {"asyncio — Asynchronous I/O — Python 3.13 documentation", "docs.python.org",
       "asyncio — Asynchronous I/O — Python 3.13 documentation"},
      {"Getting Started | Vite Official Guide | Vite", "vitejs.dev", "Getting Started"},
      {"Array.prototype.map() - JavaScript | MDN", "developer.mozilla.org",
       "Array.prototype.map()"},
      // The separator within the first 8 bytes belongs to the name.
      {"Go - The Go Programming Language", "go.dev", "Go - The Go Programming Language"},
      {"C++ | cppreference.com", "en.cppreference.com", "C++ | cppreference.com"},
      // A long suffix of up to six words stays unless it names the site.
      {"Release notes - the changes made in each version", "ex.org",
       "Release notes - the changes made in each version"},
      {"Release notes - what changed at EXAMPLE recently", "example.org", "Release notes"},
      // More than six words is never a site name.
      {"How to tune it: a guide in seven short words", "ex.org",
       "How to tune it: a guide in seven short words"},
      {"Intro to it » Docs", "ex.org", "Intro to it"},
      // ": " is tried before " :: " and takes the second colon.
      {"Intro to it :: Docs", "ex.org", "Intro to it :"},
      {"Page · Site", "ex.org", "Page · Site"},
      {"Longer page · Site", "ex.org", "Longer page"},
  };
  for (const auto& c : cases) EXPECT_EQ(clean_title(c.title, c.host), c.want) << c.title;
}

TEST(Listing, CutSnippet) {
  EXPECT_EQ(cut_snippet("  several   words\n\tand a line  "), "several words and a line");
  EXPECT_EQ(cut_snippet(""), "");
  std::string exact(140, 'x');
  EXPECT_EQ(cut_snippet(exact), exact);

  std::string words;
  while (words.size() < 300) words += "lorem ipsum ";
  const std::string cut = cut_snippet(words);
  EXPECT_EQ(cut.substr(cut.size() - 3), "…");
  const std::string body = cut.substr(0, cut.size() - 3);
  EXPECT_LE(char_count(body), 140u);
  EXPECT_EQ(body, words.substr(0, body.size()));
  EXPECT_NE(body.back(), ' ');  // cut at the last space beyond byte 84
  EXPECT_GT(body.size(), 84u);
  EXPECT_EQ(words[body.size()], ' ');

  // No space beyond byte 84: the plain 140-character cut.
  std::string unbroken = "ab " + std::string(300, 'z');
  EXPECT_EQ(cut_snippet(unbroken), "ab " + std::string(137, 'z') + "…");
  // Characters, not bytes: 150 Korean syllables keep 140 of them.
  std::string korean;
  for (int i = 0; i < 150; ++i) korean += "가";
  const std::string kc = cut_snippet(korean);
  EXPECT_EQ(char_count(kc), 141u);
}

TEST(Listing, FormatsRecordsWithOptionalDebugLine) {
  FusedHit a;
  a.title = "  Write-Ahead Logging - SQLite ";
  a.url = "https://www.sqlite.org/wal.html";
  a.snippet = "The default   method";
  a.engines = {"searx", "brave", "bing"};
  a.score = 1.0f / 61 + 0.6f / 61 + 0.6f / 61;
  FusedHit b;
  b.title = "";
  b.url = "https://ex.org/";
  b.engines = {"bing"};
  b.score = 0.6f / 62;
  EXPECT_EQ(format_listing({a, b}, 6, false),
            "1. Write-Ahead Logging: sqlite.org\n"
            "   The default method\n"
            "   https://www.sqlite.org/wal.html\n"
            "2. : ex.org\n"
            "   https://ex.org/\n");
  EXPECT_EQ(format_listing({a, b}, 1, true),
            "1. Write-Ahead Logging: sqlite.org\n"
            "   The default method\n"
            "   [searx+brave+bing 0.0361]\n"
            "   https://www.sqlite.org/wal.html\n");
  EXPECT_EQ(format_listing({a, b}, 0, true), "");
}
