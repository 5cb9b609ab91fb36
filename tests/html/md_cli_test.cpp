// End-to-end tests of `zub md`, including a run over a corpus of real pages.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "base/file_io.h"
#include "base/utf8.h"
#include "support/run_zub.h"

using MdRun = zub_test::Run;
using zub_test::run_zub;
using zub_test::RunOptions;

namespace {

const std::string kPage =
    "<html><body><nav><a href=/>Home</a></nav><article><h1>Heading</h1>"
    "<p>This is the first paragraph of the page and it is long enough to be kept as it is.</p>"
    "<p>This is the second paragraph, and it is also one that the reader will want to see.</p>"
    "<p>A third paragraph is here so that the page has more than the needed amount of text.</p>"
    "<pre>code &lt;here&gt;</pre>"
    "<p>The fifth paragraph makes sure that the first and strict tier has all it needs.</p>"
    "<p>And with that the last paragraph ends this small article for the test of md.</p>"
    "</article></body></html>";

// kPage as markdown: the article without the navigation, the code block
// fenced, its entities decoded.
const std::string kPageMarkdown =
    "This is the first paragraph of the page and it is long enough to be kept as it is.\n"
    "This is the second paragraph, and it is also one that the reader will want to see.\n"
    "A third paragraph is here so that the page has more than the needed amount of text.\n"
    "```\ncode <here>\n\n```\n\n"
    "The fifth paragraph makes sure that the first and strict tier has all it needs.\n"
    "And with that the last paragraph ends this small article for the test of md.\n";

MdRun md(const std::string& input, std::vector<std::string> env = {},
         std::vector<std::string> unset = {"ZUB_BENCH", "ZUB_BENCH_QUIET"}) {
  RunOptions o;
  o.stdin_data = input;
  o.has_stdin = true;
  o.env_set = std::move(env);
  o.env_unset = std::move(unset);
  return run_zub({"md"}, o);
}

}  // namespace

TEST(MdCli, ConvertsStandardInput) {
  const MdRun r = md(kPage);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "# Heading\n" + kPageMarkdown);
}

TEST(MdCli, BenchSwitches) {
  const std::string once = md(kPage).out;
  ASSERT_FALSE(once.empty());
  EXPECT_EQ(md(kPage, {"ZUB_BENCH=3"}).out, once);
  EXPECT_EQ(md(kPage, {"ZUB_BENCH=x"}).out, once);  // unparsable: once
  EXPECT_EQ(md(kPage, {"ZUB_BENCH=+2"}).out, once);
  const MdRun zero = md(kPage, {"ZUB_BENCH=0"});
  EXPECT_EQ(zero.status, 0);
  EXPECT_EQ(zero.out, "");
  const MdRun quiet = md(kPage, {"ZUB_BENCH_QUIET="}, {"ZUB_BENCH"});  // set, even empty
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, "");
}

TEST(MdCli, EmptyAndInvalidUtf8Input) {
  MdRun r = md("");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  // Invalid bytes become U+FFFD; the page around them is still converted.
  std::string page = kPage;
  page.replace(page.find("Heading"), 7, "caf\xe9");
  r = md(page);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "# caf\uFFFD\n" + kPageMarkdown);
}

TEST(MdCli, RealPagesCorpus) {
  // The corpus of saved pages sits beside the checkout, in shared/; a
  // worktree one level deeper finds it one directory further up. Without
  // it this test fails: it is the only run over real pages.
  std::filesystem::path dir;
  std::string looked;
  for (const char* rel : {"/../shared/corpus/html", "/../../shared/corpus/html"}) {
    const std::string candidate = std::string(ZUB_SOURCE_DIR) + rel;
    looked += "\n  " + candidate;
    if (std::filesystem::is_directory(candidate)) {
      dir = candidate;
      break;
    }
  }
  ASSERT_FALSE(dir.empty()) << "no page corpus; looked in:" << looked;
  size_t pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".html") continue;
    const zub::ReadResult html = zub::read_file(entry.path().string());
    ASSERT_TRUE(html.ok) << entry.path();
    const auto start = std::chrono::steady_clock::now();
    const MdRun r = md(html.data);
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, 0) << entry.path();
    EXPECT_EQ(r.err, "") << entry.path();
    EXPECT_TRUE(zub::is_valid_utf8(r.out)) << entry.path();
    EXPECT_LT(r.out.size(), html.data.size()) << entry.path();
    EXPECT_LT(secs, 10.0) << entry.path();
    ++pages;
  }
  EXPECT_GT(pages, 0u);
}

// NULs, escape sequences and other control characters of a page never reach
// the output; line feeds and tabs do.
TEST(MdCli, PageTextLosesControlCharacters) {
  std::string page = "<html><body><article><h1>Title\x1b[2J</h1>";
  for (int i = 0; i < 6; ++i)
    page += "<p>Paragraph " + std::to_string(i) + std::string(" carries a NUL \0,", 17) +
            " an escape \x1b]0;title\x07, a DEL \x7f and a C1 \xc2\x9b"
            "31m sequence among words that make it long enough to count as content.</p>";
  page += "<pre>col1\tcol2\r\nrow\x08</pre></article></body></html>";
  const MdRun r = md(page);
  EXPECT_EQ(r.status, 0);
  ASSERT_NE(r.out.find("Paragraph 5"), std::string::npos) << r.out;
  for (char c : r.out)
    EXPECT_TRUE(c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= 0x20) << r.out;
  EXPECT_EQ(r.out.find("\x7f"), std::string::npos);
  EXPECT_EQ(r.out.find("\xc2\x9b"), std::string::npos);
  EXPECT_NE(r.out.find("# Title[2J\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("col1\tcol2\nrow\n"), std::string::npos) << r.out;
}
