#include "web/result_block.h"

#include <gtest/gtest.h>

#include "web/engine_pages.h"
#include "web/engines.h"

using namespace zub;
using zub_test::PageHit;

namespace {

constexpr std::string_view kBingMarker = "<li class=\"b_algo\"";
constexpr std::string_view kBraveMarker = "data-type=\"web\"";

}  // namespace

TEST(ResultBlocks, SplitsAtMarkerInAnyCaseAndKeepsLettersAsFetched) {
  const std::string page =
      "<html><a href=\"https://ignored.example/\">before</a>"
      "<LI CLASS=\"B_ALGO\"><h2><a href=\"https://A.example/One\">First Result Title</a></h2></LI>"
      "<li class=\"b_algo\"><h2><a href=\"https://b.example/two\">Second Result Title</a></h2></li>"
      "<Li Class=\"b_Algo\"><p>no link at all in this block</p></li></html>";
  auto blocks = split_result_blocks(page, kBingMarker);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].substr(0, 18), "<LI CLASS=\"B_ALGO\"");
  EXPECT_EQ(blocks[2].substr(blocks[2].size() - 7), "</html>");

  auto hits = parse_result_page(page, kBingMarker);
  ASSERT_EQ(hits.size(), 2u);  // the block without a link yields nothing
  EXPECT_EQ(hits[0].url, "https://A.example/One");
  EXPECT_EQ(hits[0].title, "First Result Title");
  EXPECT_EQ(hits[1].url, "https://b.example/two");

  EXPECT_TRUE(split_result_blocks("<html>no results</html>", kBingMarker).empty());
  EXPECT_TRUE(split_result_blocks("", kBraveMarker).empty());
}

TEST(ResultBlocks, Base64AcceptsBothAlphabetsAndStopsAtPadding) {
  struct Case {
    const char* in;
    std::optional<std::string> want;
  } cases[] = {
      {"aHR0cHM6Ly9leGFtcGxlLm9yZy8/cT0x", std::string("https://example.org/?q=1")},
      {"aHR0cHM6Ly9leGFtcGxlLm9yZy8_cT0x", std::string("https://example.org/?q=1")},
      {"-_-_", std::string("\xfb\xff\xbf")},
      {"+/+/", std::string("\xfb\xff\xbf")},
      {"aGk=", std::string("hi")},
      {"aGk=garbage!", std::string("hi")},  // nothing after "=" is read
      {"aGk", std::string("hi")},
      {"a", std::string("")},
      {"", std::string("")},
      {"aG k", std::nullopt},
      {"aGk!", std::nullopt},
      {"%3D", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(decode_base64_any(c.in), c.want) << c.in;
}

TEST(ResultBlocks, UnwrapsClickTrackingLinks) {
  const std::string target = "https://sqlite.org/wal.html?x=1&y=2";
  const std::string click =
      "https://www.bing.com/ck/a?!&&p=abc&u=a1" + zub_test::base64_url(target) + "&ntb=1";
  EXPECT_EQ(unwrap_click_link(click), target);
  // The first "u=" parameter that fails passes on to the next.
  EXPECT_EQ(unwrap_click_link("https://www.bing.com/ck/a?!&u=a1%%%&u=a1" +
                              zub_test::base64_url(target)),
            target);
  // Not an http address, not UTF-8, undecodable, or no tracking host: unchanged.
  for (std::string href : {"https://www.bing.com/ck/a?!&u=a1" + zub_test::base64_url("ftp://x/y"),
                           "https://www.bing.com/ck/a?!&u=a1" + zub_test::base64_url("http\xff"),
                           std::string("https://www.bing.com/ck/a?!&u=a1***"),
                           std::string("https://www.bing.com/ck/a?!&p=1"),
                           "https://example.org/ck/a?u=a1" + zub_test::base64_url(target)})
    EXPECT_EQ(unwrap_click_link(href), href);
}

TEST(ResultBlocks, ClickLinkInRealisticPageYieldsTarget) {
  const std::vector<PageHit> hits = {
      {"Write-Ahead Logging - SQLite", "https://www.sqlite.org/wal.html",
       "The default method by which SQLite implements atomic commit and rollback is a rollback "
       "journal. Beginning with version 3.7.0, a new Write-Ahead Log option is available."},
      {"Understanding WAL mode &amp; checkpoints", "https://blog.example.net/sqlite-wal?page=2",
       "A practical look at checkpoints."},
  };
  auto got = parse_result_page(zub_test::bing_page(hits), kBingMarker);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].url, "https://www.sqlite.org/wal.html");
  // The favicon link's anchor ("Site") is too short; the h2 heading wins.
  EXPECT_EQ(got[0].title, "Write-Ahead Logging - SQLite");
  EXPECT_EQ(got[0].snippet, hits[0].snippet);
  EXPECT_EQ(got[1].url, "https://blog.example.net/sqlite-wal?page=2");
  EXPECT_EQ(got[1].title, "Understanding WAL mode & checkpoints");
  EXPECT_EQ(got[1].snippet, "A practical look at checkpoints.");
}

TEST(ResultBlocks, UndecodableTrackingLinkFallsToNextHref) {
  // The tracking link itself stays the candidate; its host is the engine's
  // own, so the search moves on to the next href of the block.
  const std::string block =
      "<li class=\"b_algo\"><a href=\"https://www.bing.com/ck/a?!&amp;u=a1@@not-base64\">x</a>"
      "<h2><a href=\"https://docs.example.com/getting-started/\">Getting started guide</a></h2>"
      "<p>Install the tool and run the first example in five minutes.</p></li>";
  auto hit = parse_result_block(block);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->url, "https://docs.example.com/getting-started/");
  EXPECT_EQ(hit->title, "Getting started guide");
  EXPECT_EQ(hit->snippet, "Install the tool and run the first example in five minutes.");
}

TEST(ResultBlocks, BlockedHostsAndUnusableHrefsYieldNothing) {
  for (const char* block : {
           "<li><a href=\"https://www.bing.com/images\">Images of it</a>"
           "<a href=\"https://search.brave.com/news\">News about it</a>"
           "<a href=\"https://duckduckgo.com/?q=x\">Other engine results</a></li>",
           "<li><a href=\"/search?q=relative\">Relative link text</a>"
           "<a href=\"htt\">three</a><a href=\"mailto:x@example.org\">Mail us</a></li>",
           "<li><a href=\"https://example.org/unterminated>Broken quote</a></li>",
           "<li><p>No link here at all, just text.</p></li>",
           "",
       })
    EXPECT_FALSE(parse_result_block(block)) << block;
}

TEST(ResultBlocks, TitleCandidatesInOrder) {
  struct Case {
    const char* name;
    std::string block;
    std::string title;
    std::string snippet;
  } cases[] = {
      {"anchor: last line of 8+ characters, breadcrumb dropped",
       "<li><a href=\"https://ex.org/a\"><span>ex.org</span><span>ex.org › a › b</span>"
       "<div>Anchor Title Line</div><div>short</div></a><h2>Heading Text Here</h2></li>",
       "Anchor Title Line", "Heading Text Here"},
      {"anchor: short lines joined when together long enough",
       "<li><a href=\"https://ex.org/a\"><span>Tiny</span><span>Bits</span></a></li>",
       "Tiny Bits", "Bits"},
      {"anchor of four characters: heading used",
       "<li><a href=\"https://ex.org/a\">Docs</a><h2 class=\"t\"><b>Reference</b>  Manual</h2>"
       "<p>The longest line of this block is the snippet.</p></li>",
       "Reference Manual", "The longest line of this block is the snippet."},
      {"anchor that is a bare url: heading of exactly 8 characters",
       "<li><a href=\"https://ex.org/a\">https://ex.org/a/long</a><h2>Eight ch</h2><p>Docs</p></li>",
       "Eight ch", "Docs"},
      {"heading of 7 characters dropped: first long block line",
       "<li><a href=\"https://ex.org/a\">abc</a><h2>Seven c</h2><p>x › breadcrumb line</p>"
       "<p>Body line long enough</p></li>",
       "Body line long enough", "x › breadcrumb line"},
      {"heading without closing tag: block line",
       "<li><a href=\"https://ex.org/a\">abc</a><h2>Unclosed heading text</li>",
       "Unclosed heading text", "abc"},
      {"no usable title: made from the link",
       "<li><a href=\"https://www.docs.example.com/guide/getting-started/\">go</a></li>",
       "docs.example.com: getting started", ""},
      {"slug too short: host alone",
       "<li><a href=\"https://example.com/a/\">go</a><p>ok</p></li>", "example.com", ""},
  };
  for (const auto& c : cases) {
    auto hit = parse_result_block(c.block);
    ASSERT_TRUE(hit) << c.name;
    EXPECT_EQ(hit->title, c.title) << c.name;
    EXPECT_EQ(hit->snippet, c.snippet) << c.name;
  }
}

TEST(ResultBlocks, SnippetIsLongestOtherLineLaterWinsTies) {
  auto hit = parse_result_block(
      "<li><h2><a href=\"https://ex.org/p\">The Longest Line Of All Here</a></h2>"
      "<p>first equal line</p><p>later equal line</p><p>  http://ex.org/p/x/y/z/w/v/u  </p>"
      "<p>é é é é é é é é é</p></li>");
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->title, "The Longest Line Of All Here");
  // Characters count, not bytes: 17 characters beat two lines of 16.
  EXPECT_EQ(hit->snippet, "é é é é é é é é é");
  hit = parse_result_block(
      "<li><h2><a href=\"https://ex.org/p\">The Longest Line Of All Here</a></h2>"
      "<p>first equal line</p><p>later equal line</p></li>");
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->snippet, "later equal line");
}

TEST(ResultBlocks, BraveMarkerInsideTag) {
  const std::vector<PageHit> hits = {
      {"asyncio — Asynchronous I/O", "https://docs.python.org/3/library/asyncio.html",
       "asyncio is a library to write concurrent code using the async/await syntax."},
      {"Short", "https://realpython.com/async-io-python/", "A walkthrough of async IO."},
  };
  auto got = parse_result_page(zub_test::brave_page(hits), kBraveMarker);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].url, hits[0].url);
  EXPECT_EQ(got[0].title, "asyncio — Asynchronous I/O");
  EXPECT_EQ(got[0].snippet, hits[0].snippet);
  // "Short" is no title; the anchor's lines are joined: "Site site Short".
  EXPECT_EQ(got[1].title, "Site site Short");
  EXPECT_EQ(got[1].snippet, "A walkthrough of async IO.");
}

TEST(ResultBlocks, TitleFromLink) {
  EXPECT_EQ(title_from_link("https://ex.org/docs/getting-started"), "ex.org: getting started");
  EXPECT_EQ(title_from_link("https://ex.org/a_b-c///"), "ex.org: a b c");
  EXPECT_EQ(title_from_link("https://ex.org/page#intro"), "ex.org: page");
  EXPECT_EQ(title_from_link("https://ex.org/x?y=1"), "ex.org");
  EXPECT_EQ(title_from_link("https://www.ex.org"), "ex.org: www.ex.org");
}
