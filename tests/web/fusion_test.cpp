#include "web/fusion.h"

#include <gtest/gtest.h>

using namespace zub;

TEST(Fusion, MergeKey) {
  struct Case {
    const char* url;
    const char* key;
  } cases[] = {
      {"https://www.example.org/guide/?utm_source=news&utm_medium=x#top", "example.org/guide"},
      {"http://example.org/guide", "example.org/guide"},
      {"https://example.org/list?page=2&ref=home", "example.org/list?page=2"},
      {"https://example.org/list?ref&page=1&&fbclid=abc&gclid=1&ved=2&usg=3&source=web",
       "example.org/list?page=1&"},
      {"https://example.org/a?references=1&sourced=2", "example.org/a?references=1&sourced=2"},
      {"https://example.org/a?utm_x=1", "example.org/a"},
      {"https://example.org/a?", "example.org/a?"},
      {"https://Example.org/Path///", "Example.org/Path"},
      {"https://www.", ""},
      {"https://www.a", "a"},
      {"http://https://x", "https://x"},
  };
  for (const auto& c : cases) EXPECT_EQ(merge_key(c.url), c.key) << c.url;
}

TEST(Fusion, ScoresAndMergesAcrossEngines) {
  std::vector<SearchHit> searx = {
      {"Page P", "https://p.example/doc", "short"},
      {"", "https://only-searx.example/", ""},
  };
  std::vector<SearchHit> brave = {
      {"Page P (brave)", "https://www.p.example/doc/?utm_campaign=z", "a longer snippet"},
      {"Blocked", "https://www.bing.com/maps", "x"},
      {"Brave three", "https://b3.example/", ""},
  };
  std::vector<SearchHit> bing = {
      {"Page P", "http://p.example/doc", "mid snippet"},
      {"only-searx.example", "https://only-searx.example", "s"},
  };
  auto fused = fuse_hits({{"searx", &searx}, {"brave", &brave}, {"bing", &bing}});
  ASSERT_EQ(fused.size(), 3u);

  EXPECT_EQ(fused[0].url, "https://p.example/doc");  // the first url seen
  EXPECT_EQ(fused[0].engines, (std::vector<std::string>{"searx", "brave", "bing"}));
  EXPECT_EQ(fused[0].score, 1.0f / 61.0f + 0.6f / 61.0f + 0.6f / 61.0f);
  EXPECT_EQ(fused[0].snippet, "a longer snippet");
  EXPECT_EQ(fused[0].title, "Page P");  // a real title is never replaced

  // Empty title replaced; a title equal to the host is not taken.
  EXPECT_EQ(fused[1].url, "https://only-searx.example/");
  EXPECT_EQ(fused[1].title, "");
  EXPECT_EQ(fused[1].score, 1.0f / 62.0f + 0.6f / 62.0f);
  EXPECT_EQ(fused[1].engines, (std::vector<std::string>{"searx", "bing"}));

  // The blocked hit still used up rank 2: the third brave hit has rank 3.
  EXPECT_EQ(fused[2].url, "https://b3.example/");
  EXPECT_EQ(fused[2].score, 0.6f / 63.0f);
}

TEST(Fusion, TitleTakenWhenRecordTitleIsHost) {
  std::vector<SearchHit> a = {{"ex.org", "https://ex.org/x", ""}};
  std::vector<SearchHit> b = {{"Real Title", "https://ex.org/x/", ""}};
  auto fused = fuse_hits({{"brave", &a}, {"bing", &b}});
  ASSERT_EQ(fused.size(), 1u);
  EXPECT_EQ(fused[0].title, "Real Title");
  EXPECT_EQ(fused[0].engines, (std::vector<std::string>{"brave", "bing"}));
}

TEST(Fusion, StableSortKeepsCreationOrderOnTies) {
  std::vector<SearchHit> brave = {{"b1", "https://b1.example/", ""},
                                  {"b2", "https://b2.example/", ""}};
  std::vector<SearchHit> bing = {{"g1", "https://g1.example/", ""},
                                 {"g2", "https://g2.example/", ""}};
  auto fused = fuse_hits({{"brave", &brave}, {"bing", &bing}});
  ASSERT_EQ(fused.size(), 4u);
  EXPECT_EQ(fused[0].title, "b1");
  EXPECT_EQ(fused[1].title, "g1");
  EXPECT_EQ(fused[2].title, "b2");
  EXPECT_EQ(fused[3].title, "g2");
  // Duplicate pages within one engine add up too, under the one label.
  std::vector<SearchHit> dup = {{"d", "https://d.example/a", ""},
                                {"d", "https://d.example/a/", ""}};
  auto merged = fuse_hits({{"searx", &dup}});
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_EQ(merged[0].engines, std::vector<std::string>{"searx"});
  EXPECT_EQ(merged[0].score, 1.0f / 61.0f + 1.0f / 62.0f);
}

TEST(Fusion, PerHostSelection) {
  auto rec = [](const char* url) {
    FusedHit h;
    h.url = url;
    return h;
  };
  std::vector<FusedHit> sorted = {rec("https://docs.a.com/1"), rec("https://www.docs.a.com/2"),
                                  rec("https://docs.a.com/3"), rec("https://b.com/1"),
                                  rec("https://c.com/1"),      rec("https://c.com/2")};
  auto kept = select_per_host(sorted, 3);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[2].url, "https://b.com/1");  // the third docs.a.com record is skipped

  EXPECT_EQ(select_per_host(sorted, 100).size(), 5u);
  auto one = select_per_host(sorted, 0);  // L = 0 still keeps one record
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].url, "https://docs.a.com/1");
  EXPECT_TRUE(select_per_host({}, 0).empty());
}
