#include "html/markdown.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "base/utf8.h"

using zub::html_to_markdown;
using zub::link_list;

namespace {

// A paragraph of ordinary prose: long, stopword-rich, no links.
std::string prose(const std::string& topic) {
  return "This is the story of " + topic +
         " and it is told here so that the reader can follow it from the start to the end.";
}

// Enough prose (over 400 bytes) for the first tier.
std::string article_body() {
  std::string s;
  for (int i = 0; i < 6; ++i) s += "<p>" + prose("part " + std::to_string(i)) + "</p>\n";
  return s;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(HtmlToMarkdown, FirstTierDropsBoilerplateAroundContent) {
  const std::string doc =
      "<html><head><title>T</title></head><body>"
      "<div><a href=/>Home</a> <a href=/a>About us</a></div>"
      "<h1>The title</h1>" +
      article_body() +
      "<p>Copyright 2024 Example Corp</p>"
      "<script>var tracking = {\"id\": 1};</script></body></html>";
  const std::string md = html_to_markdown(doc);
  std::string want = "# The title\n";
  for (int i = 0; i < 6; ++i) want += prose("part " + std::to_string(i)) + "\n";
  EXPECT_EQ(md, want);
}

TEST(HtmlToMarkdown, HeadingsCodeListsTables) {
  const std::string doc = article_body() + "<h5>Small heading</h5><p>" + prose("five") +
                          "</p>"
                          "<pre>int main() {\n  return 0;   \n}</pre>"
                          "<ul><li>" +
                          prose("a list item") + "</li><li><ul><li>" + prose("a nested item") +
                          "</li></ul></li></ul>"
                          "<table><tr><td>" +
                          prose("cell one") + "</td><td>" + prose("cell two") +
                          "</td></tr></table>";
  const std::string md = html_to_markdown(doc);
  const std::string want_tail = "\n#### Small heading\n" + prose("five") +
                                "\n```\nint main() {\n  return 0;\n}\n\n```\n\n- " +
                                prose("a list item") + "\n  - " + prose("a nested item") + "\n" +
                                prose("cell one") + " | " + prose("cell two") + "\n";
  ASSERT_GE(md.size(), want_tail.size());
  EXPECT_EQ(md.substr(md.size() - want_tail.size()), want_tail) << md;
}

TEST(HtmlToMarkdown, FirstBlockHeadingHasNoBlankLineBefore) {
  const std::string md =
      html_to_markdown("<h2>Top</h2>" + article_body() + "<h2>Next</h2>" + article_body());
  EXPECT_EQ(md.rfind("## Top\n", 0), 0u) << md;
  // The second copy of the body repeats every paragraph: printed once.
  EXPECT_NE(md.find("\n\n## Next\n"), std::string::npos) << md;
  EXPECT_EQ(md.substr(md.size() - 8), "## Next\n");
}

TEST(HtmlToMarkdown, DuplicatesAndBoilerplate) {
  const std::string p = "<p>" + prose("twins") + "</p>";
  const std::string code = "<pre>same code</pre>";
  const std::string md =
      html_to_markdown(article_body() + p + p + code + code + "<p>" + prose("cookies") +
                       " Accept all cookies</p>"
                       "<div>Skip to content</div>");
  EXPECT_EQ(md.find(prose("twins")), md.rfind(prose("twins")));
  EXPECT_NE(md.find("```\nsame code\n\n```\n\n```\nsame code\n\n```\n\n"), std::string::npos) << md;
  EXPECT_EQ(md.find("cookies"), std::string::npos);
  EXPECT_EQ(md.find("Skip to content"), std::string::npos);
}

TEST(HtmlToMarkdown, ContentRootNarrowsTheDocument) {
  const std::string side = "<p>" + prose("the sidebar") + "</p>";
  const std::string doc = side + "<article>" + article_body() + "</article>" + side;
  const std::string md = html_to_markdown(doc);
  EXPECT_EQ(md.find("sidebar"), std::string::npos) << md;
  EXPECT_NE(md.find(prose("part 5")), std::string::npos);
}

TEST(HtmlToMarkdown, SecondTierKeepsPlainBlocks) {
  // Terse lines without stopwords fail the first tier but are long enough
  // (over 24 characters, over 200 bytes together) for the second.
  std::string doc =
      "<p>Zorblax quantum flux capacitor model 9</p><p><a href=x>Linked text only here ok</a></p>";
  for (int i = 0; i < 6; ++i)
    doc += "<p>Zorblax quantum flux capacitor model " + std::to_string(i) + "0</p>";
  const std::string md = html_to_markdown(doc);
  EXPECT_EQ(md.find("Linked"), std::string::npos) << md;
  EXPECT_EQ(md.rfind("Zorblax quantum flux capacitor model 9\n", 0), 0u) << md;
  EXPECT_NE(md.find("model 50\n"), std::string::npos);
}

TEST(HtmlToMarkdown, ThirdTierListsLinkTexts) {
  std::string doc = "<nav><a href=/n>Navigation link text</a></nav><ul>";
  for (int i = 0; i < 5; ++i)
    doc += "<li><a href=/x" + std::to_string(i) + ">Interesting link number " + std::to_string(i) +
           "</a></li>";
  doc +=
      "<li><a href=/short>Too short</a></li><li><a href=/d>Interesting link number 1</a></li></ul>";
  const std::string md = html_to_markdown(doc);
  std::string want;
  for (int i = 0; i < 5; ++i) want += "- Interesting link number " + std::to_string(i) + "\n";
  EXPECT_EQ(md, want);
}

TEST(LinkList, DetailsOfTheScan) {
  EXPECT_EQ(link_list("<a href=1><b>Bold</b> and &amp;\n  spaced  text</a>"),
            "- Bold and & spaced text\n");
  EXPECT_EQ(link_list("<A HREF=1>Upper case tag text</A>"), "");  // "<a " is matched as written
  EXPECT_EQ(link_list("<a>no space after the name</a>"), "");
  EXPECT_EQ(link_list("<a href=1>Exactly12chr</a><a href=2>Eleven char</a>"), "- Exactly12chr\n");
  EXPECT_EQ(link_list("<a href=1>한국어 링크 텍스트 열두자</a>"), "- 한국어 링크 텍스트 열두자\n");
  EXPECT_EQ(link_list("<a href=1>Unterminated link text"), "");
  std::string many;
  for (int i = 0; i < 300; ++i) many += "<a href=x>Link text number " + std::to_string(i) + "</a>";
  const std::string out = link_list(many);
  size_t lines = 0;
  for (char c : out) lines += c == '\n';
  EXPECT_EQ(lines, 201u);
}

TEST(HtmlToMarkdown, EmptyAndTinyDocuments) {
  EXPECT_EQ(html_to_markdown(""), "");
  // A page with text never comes out empty, however little it holds.
  EXPECT_EQ(html_to_markdown("<p>Hello world.</p>"), "Hello world.\n");
  EXPECT_EQ(html_to_markdown("<div><img src=x></div><!-- text -->"), "");
  EXPECT_EQ(html_to_markdown("<"), "");
}

TEST(HtmlToMarkdown, UnclosedScriptKeepsItsText) {
  const std::string md = html_to_markdown("<script>" + article_body());
  EXPECT_NE(md.find(prose("part 0")), std::string::npos);
}

TEST(HtmlToMarkdown, OutputIsValidUtf8) {
  const std::string doc =
      "<p>" + prose("한국어 문장이 있는 것") + " &#xAC00;&#x1F600; caf\u00e9</p>" + article_body();
  const std::string md = html_to_markdown(doc);
  EXPECT_TRUE(zub::is_valid_utf8(md));
  EXPECT_NE(md.find("\uAC00\U0001F600 caf\u00e9"), std::string::npos) << md;
}

TEST(HtmlToMarkdown, LinearOnAdversarialInput) {
  struct Case {
    const char* what;
    std::string doc;
  };
  std::string scripts, anchors, nested, lt_start, comments, entities;
  for (int i = 0; i < 300000; ++i) scripts += "<script>";
  for (int i = 0; i < 100000; ++i) anchors += "<a href=x>text ";
  anchors += article_body();
  for (int i = 0; i < 100000; ++i) nested += "<ul><li>item ";
  lt_start = "<" + std::string(10 << 20, 'a');
  for (int i = 0; i < 100000; ++i) comments += "<!-- <div id=\"content\"> ";
  for (int i = 0; i < 200000; ++i) entities += "&amp&#x;&lt";
  const Case cases[] = {
      {"unclosed scripts", scripts},   {"anchors without </a", anchors},
      {"nested lists", nested},        {"< without > before 10 MB", lt_start},
      {"unclosed comments", comments}, {"broken entities", entities},
  };
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    const std::string md = html_to_markdown(c.doc);
    EXPECT_LT(seconds_since(start), 20.0) << c.what;
    EXPECT_TRUE(zub::is_valid_utf8(md)) << c.what;
  }
}

TEST(RenderBlocks, LineBreaksAndListContinuations) {
  const auto blocks = zub::scan_blocks(
      "<p>one  <br> two<br><br> <br><br>three</p>"
      "<ul><li>item  text<br>more</li><li><ul><li>deep<br>er</li></ul></li></ul>");
  const std::vector<bool> keep(blocks.size(), true);
  EXPECT_EQ(zub::render_blocks(blocks, keep),
            "one\ntwo\n\nthree\n- item text\n  more\n  - deep\n    er\n");
}
