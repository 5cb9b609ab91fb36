#include "html/html_blocks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using zub::Block;
using zub::scan_blocks;

namespace {

std::vector<std::string> markdowns(const zub::ScannedBlocks& blocks) {
  std::vector<std::string> out;
  for (const Block& b : blocks) out.emplace_back(b.markdown);
  return out;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(ScanBlocks, BlockTagsEndBlocks) {
  struct Case {
    const char* html;
    Lines want;
  };
  const Case cases[] = {
      {"<p>one</p><p>two</p>", {"one", "two"}},
      {"a<div>b</div>c", {"a", "b", "c"}},
      {"a<tr>b<dt>c<dd>d<hr>e", {"a", "b", "c", "d", "e"}},
      {"a<main>b<table>c<section>d<article>e", {"a", "b", "c", "d", "e"}},
      {"a<blockquote>b</blockquote><figcaption>c</figcaption>d", {"a", "b", "c", "d"}},
      {"a<span>b</span><em>c</em><img src=x>d", {"abcd"}},
      {"<p>  \n\t </p><p>x</p>", {"x"}},              // blank blocks vanish
      {"<p>line\none\ttab\r</p>", {"line one tab"}},  // controls become spaces
      {"<p>x  </p>", {"x"}},                          // trailing space trimmed
      {"<p>a &amp; b&nbsp;</p>", {"a & b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(markdowns(scan_blocks(c.html)), c.want) << c.html;
}

TEST(ScanBlocks, ListItemsAndNesting) {
  const auto blocks = scan_blocks("<ul><li>one</li><li>two<ul><li>inner</li></ul></li></ul>");
  EXPECT_EQ(markdowns(blocks), (Lines{"- one", "- two", "  - inner"}));
  EXPECT_EQ(blocks[0].item_indent, 0);
  EXPECT_EQ(blocks[2].item_indent, 2);
  EXPECT_EQ(blocks[2].plain_chars, 5u);  // the text alone, without "  - "
  // The prefix waits for the first text, across an empty paragraph.
  EXPECT_EQ(markdowns(scan_blocks("<ol><li><p>x</p></ol>")), (Lines{"- x"}));
  // Stray closing lists never take the depth below zero.
  EXPECT_EQ(markdowns(scan_blocks("</ul></ul><ul><li>y")), (Lines{"- y"}));
}

TEST(ScanBlocks, Headings) {
  const auto blocks = scan_blocks("<h1>A</h1><h2>B</h2><h3>C</h3><h4>D</h4><h5>E</h5><h6>F</h6>");
  EXPECT_EQ(markdowns(blocks), (Lines{"# A", "## B", "### C", "#### D", "#### E", "#### F"}));
  for (const Block& b : blocks) EXPECT_TRUE(b.heading);
  // Text right after the closing tag is a block of its own.
  const auto after = scan_blocks("<h2>Title</h2>Body text");
  EXPECT_EQ(markdowns(after), (Lines{"## Title", "Body text"}));
  EXPECT_FALSE(after[1].heading);
  // An empty heading does not lend its "#" to what follows.
  EXPECT_EQ(markdowns(scan_blocks("<h2><img></h2><p>para</p>")), (Lines{"para"}));
  // A line break inside a heading keeps it on one line.
  EXPECT_EQ(markdowns(scan_blocks("<h3>a<br>b</h3>")), (Lines{"### a b"}));
}

TEST(ScanBlocks, PreformattedCode) {
  const auto blocks = scan_blocks("<pre>a<br>b\n  c</pre><p>after</p>");
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].markdown, "```\na\nb\n  c");
  EXPECT_TRUE(blocks[0].verbatim);
  EXPECT_EQ(blocks[1].markdown, "```");
  EXPECT_EQ(blocks[1].plain_chars, 3u);
  EXPECT_TRUE(blocks[1].verbatim);
  EXPECT_EQ(blocks[2].markdown, "after");
  EXPECT_FALSE(blocks[2].verbatim);
  // code inside pre adds nothing; outside it adds backticks.
  EXPECT_EQ(scan_blocks("<pre><code>x</code></pre>")[0].markdown, "```\nx");
  EXPECT_EQ(markdowns(scan_blocks("<p>use <code>ls</code> now</p>")), (Lines{"use `ls` now"}));
  EXPECT_EQ(markdowns(scan_blocks("<li><code>x</code>")), (Lines{"- `x`"}));
}

TEST(ScanBlocks, FencesAlwaysPair) {
  // An empty pre prints nothing and does not open a fence around later text.
  auto blocks = scan_blocks("<pre>  </pre><p>text</p>");
  EXPECT_EQ(markdowns(blocks), (Lines{"text"}));
  EXPECT_FALSE(blocks[0].verbatim);
  // A stray closing pre prints no fence.
  EXPECT_EQ(markdowns(scan_blocks("<p>a</p></pre><p>b</p>")), (Lines{"a", "b"}));
  // An unclosed pre is closed at the end of the text.
  EXPECT_EQ(markdowns(scan_blocks("<pre>x")), (Lines{"```\nx", "```"}));
  // A nested pre stays inside the open code block.
  EXPECT_EQ(markdowns(scan_blocks("<pre>a<pre>b</pre>c</pre>")),
            (Lines{"```\na", "b", "```", "c"}));
}

TEST(ScanBlocks, TableCells) {
  const auto blocks =
      scan_blocks("<table><tr><th>h1</th><th>h2</th></tr><tr><td>a</td><td>b</td></tr></table>");
  EXPECT_EQ(markdowns(blocks), (Lines{"h1 | h2", "a | b"}));
  // Measured as "a b": a cell border is one space of plain text.
  EXPECT_EQ(blocks[1].plain_chars, 3u);
  EXPECT_EQ(blocks[1].plain_bytes, 3u);
}

TEST(ScanBlocks, LineBreakOutsidePreEndsTheLine) {
  const auto blocks = scan_blocks("<p>first<br>second<br/>third</p>");
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].markdown, "first\nsecond\nthird");
  EXPECT_EQ(blocks[0].plain_chars, 18u);
  EXPECT_EQ(markdowns(scan_blocks("<p><br>x</p>")), (Lines{"x"}));  // leading break ignored
}

TEST(ScanBlocks, LinkCharacters) {
  auto blocks = scan_blocks("<p>see <a href=x> the docs </a> and <A>more</A></p>");
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].link_chars, 12u);  // "the docs" + "more", trimmed
  // Stray closing links never make the depth negative.
  blocks = scan_blocks("<p></a></a>plain<a>x</a></p>");
  EXPECT_EQ(blocks[0].link_chars, 1u);
  // Characters, not bytes.
  blocks = scan_blocks("<p><a>한국어</a></p>");
  EXPECT_EQ(blocks[0].link_chars, 3u);
}

TEST(ScanBlocks, LinearOnHostileNesting) {
  std::string lists;
  for (int i = 0; i < 100000; ++i) lists += "<ul><li>x";
  std::string links;
  for (int i = 0; i < 100000; ++i) links += "<a href=#>y ";
  const auto start = std::chrono::steady_clock::now();
  const auto a = scan_blocks(lists);
  const auto b = scan_blocks(links);
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(secs, 20.0);
  ASSERT_EQ(a.size(), 100000u);
  // Indentation stops growing after eight levels.
  EXPECT_EQ(a.blocks.back().markdown, std::string(16, ' ') + "- x");
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].link_chars, 100000u);
}

TEST(ScanBlocks, TablesAndDefinitionListsNumberTheirBlocks) {
  auto groups = [](const std::vector<zub::Block>& blocks) {
    std::vector<size_t> g;
    for (const auto& b : blocks) g.push_back(b.group);
    return g;
  };
  // Each table and dl gets the next number; its blocks, also those in its
  // cells' paragraphs, carry the innermost one; text after it none.
  auto blocks = scan_blocks(
      "<p>intro</p><table><tr><td><p>a</p></td><td><dl><dt>t</dt><dd>d</dd></dl>"
      "</td></tr><tr><td>b</td></tr></table><dl><dt>u</dt></dl><p>after</p>");
  EXPECT_EQ(markdowns(blocks), (Lines{"intro", "a", "t", "d", "b", "u", "after"}));
  EXPECT_EQ(groups(blocks), (std::vector<size_t>{0, 1, 2, 2, 1, 3, 0}));
  // A table's end also ends a list left open in it; a list's end never
  // ends a table.
  blocks = scan_blocks(
      "<table><tr><td><dl><dt>x</table><p>y</p>"
      "<table><tr><td></dl>z</td></tr></table>");
  EXPECT_EQ(groups(blocks), (std::vector<size_t>{2, 0, 3}));
  // Hostile nesting stays bounded and still closes in order.
  std::string deep;
  for (int i = 0; i < 1000; ++i) deep += "<dl>";
  deep += "<dt>in";
  for (int i = 0; i < 1000; ++i) deep += "</dl>";
  deep += "<p>out</p>";
  blocks = scan_blocks(deep);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_NE(blocks[0].group, 0u);
  EXPECT_EQ(blocks[1].group, 0u);
}
