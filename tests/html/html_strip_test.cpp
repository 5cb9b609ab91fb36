#include "html/html_strip.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using zub::content_root;
using zub::strip_elements;

namespace {

std::string filler(size_t n) { return std::string(n, 'x'); }

}  // namespace

TEST(ContentRoot, NarrowsToTheFirstLongEnoughCandidate) {
  // Root text runs from "<article" to the last "</article", excluded.
  const std::string body = "<article>" + filler(392);  // 401 bytes before the close
  const std::string doc = "<p>nav</p>" + body + "</article><p>footer</p>";
  EXPECT_EQ(content_root(doc), body);

  const std::string upper = "<ARTICLE>" + filler(392) + "</Article>";
  EXPECT_EQ(content_root(upper), upper.substr(0, 401));
}

TEST(ContentRoot, ExactlyFourHundredBytesIsTooShort) {
  const std::string doc = "<article>" + filler(391) + "</article><p>rest</p>";
  EXPECT_EQ(content_root(doc), doc);
}

TEST(ContentRoot, FallsThroughToLaterCandidates) {
  const std::string main_part = "<main>" + filler(500);
  const std::string doc = "<article>short</article>" + main_part + "</main>";
  EXPECT_EQ(content_root(doc), main_part);

  // The div candidates end at the last "</div" of the document.
  const std::string div = "<div id=\"content\"><div>" + filler(450) + "</div>";
  const std::string doc2 = "<div>pre</div>" + div + "</div><p>after</p>";
  EXPECT_EQ(content_root(doc2), div);

  const std::string cls = "<div class=\"content-body\">" + filler(450);
  const std::string doc3 = cls + "</DIV>";
  EXPECT_EQ(content_root(doc3), cls);

  EXPECT_EQ(content_root("<p>no candidates</p>"), "<p>no candidates</p>");
  EXPECT_EQ(content_root("<article>" + filler(500)), "<article>" + filler(500));  // unclosed
}

TEST(StripElements, CommentsAndDroppedElements) {
  struct Case {
    const char* in;
    const char* want;
  };
  const Case cases[] = {
      {"a<!-- x -->b", "ab"},
      {"a<!-- never closed", "a"},
      {"a<script>var x = '<p>';</script>b", "a\nb"},
      {"a<SCRIPT type=x>x</Script >b", "a\nb"},
      {"<head><title>t</title></head><p>x</p>", "\n<p>x</p>"},
      {"a<nav\nclass=n>menu</nav>b", "a\nb"},
      {"a<svg/>b", "a\nb"},
      {"a<style", "a\n"},
      {"a<script>x</scriptx>b", "a\nb"},     // what follows the closing name is not examined
      {"a<script>unclosed", "a\nunclosed"},  // no closing tag: only the tag goes
      {"a</nav>b", "a\nb"},                  // a stray closing tag removes itself
      {"<navbar>x</navbar>", "<navbar>x</navbar>"},
      {"<p class=a>keep</p>", "<p class=a>keep</p>"},
      {"<nav><nav>x</nav>y</nav>z", "\ny\nz"},
      {"a < b", "a < b"},
      {"<!DOCTYPE html><p>x", "<!DOCTYPE html><p>x"},
      {"<form><button>go</button></form>t", "\nt"},
  };
  for (const Case& c : cases) EXPECT_EQ(strip_elements(c.in), c.want) << c.in;
}

TEST(StripElements, LinearWithoutClosingTags) {
  std::string doc;
  for (int i = 0; i < 300000; ++i) doc += "<script>";
  std::string mixed;
  std::string mixed_want;
  for (int i = 0; i < 20000; ++i) {
    mixed += "<style>s<nav>n<svg>v<aside>a<form>f</p>";
    mixed_want += "\ns\nn\nv\na\nf</p>";
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(strip_elements(doc), std::string(300000, '\n'));
  const std::string m = strip_elements(mixed);
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(secs, 20.0);
  EXPECT_EQ(m, mixed_want);
}
