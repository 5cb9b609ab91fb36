#include "html/entities.h"

#include <gtest/gtest.h>

#include <string>

using zub::decode_entities;
using zub::strip_tags;

TEST(DecodeEntities, FixedTable) {
  struct Case {
    const char* in;
    const char* want;
  };
  const Case cases[] = {
      {"&lt;b&gt; &amp; &quot;x&quot;", "<b> & \"x\""},
      {"&apos;&#39;&#x27;", "'''"},
      {"a&nbsp;b&#160;c", "a b c"},  // an ordinary space, not U+00A0
      {"&mdash;", "-"},
      {"&ndash;", "\u2013"},
      {"&hellip;", "\u2026"},
      {"&#8212;", "\u2014"},
      {"&#65;&#x41;&#x4a;&#x4A;", "AAJJ"},
      {"&#x10FFFF;", "\U0010FFFF"},
      {"&#xAC00;", "\uAC00"},
      {"&#00000065;", "A"},  // a 9-byte name is the longest accepted
      {"no references here", "no references here"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(decode_entities(c.in), c.want) << c.in;
}

TEST(DecodeEntities, UnknownOrInvalidStaysAsWritten) {
  const char* kept[] = {
      "&copy;",                // not in the table
      "&AMP;",                 // names are case-sensitive
      "&lt",                   // no ";"
      "&lt x;",                // not a name
      "&#xD800;",              // surrogate
      "&#1114112;",            // above U+10FFFF
      "&#X41;",                // upper-case X
      "&#;",          "&#x;",  // no digits
      "&#12a;",                // not a number
      "&#000000065;",          // ";" more than 10 bytes after "&"
      "trailing &",   "&",
  };
  for (const char* s : kept) EXPECT_EQ(decode_entities(s), s) << s;
}

TEST(DecodeEntities, NoDoubleDecodingAndRescanAfterFailure) {
  EXPECT_EQ(decode_entities("&amp;lt;"), "&lt;");
  EXPECT_EQ(decode_entities("&x&lt;"), "&x<");
  EXPECT_EQ(decode_entities("&&amp;"), "&&");
  EXPECT_EQ(decode_entities("&#0;"), std::string(1, '\0'));
}

TEST(StripTags, RemovesTagsAndBreaksAtBlockLikeOnes) {
  EXPECT_EQ(strip_tags("<p>Hello <b>World</b></p>"), "\nHello World\n");
  EXPECT_EQ(strip_tags("<DIV>a</Div><SPAN>b</span>"), "\na\n\nb\n");
  EXPECT_EQ(strip_tags("a<br/>b<li>c<a href=x>d</a>"), "a\nb\nc\nd\n");
  EXPECT_EQ(strip_tags("<h1>x</h1><h3>y</h3><h4>z</h4>"), "\nx\n\ny\nz");
  EXPECT_EQ(strip_tags("<td>cell</td><em>e</em>"), "celle");
  EXPECT_EQ(strip_tags("x &amp; <i>y</i> &lt;b&gt;"), "x & y <b>");
  EXPECT_EQ(strip_tags("text<unterminated tag"), "text");
  EXPECT_EQ(strip_tags("a<>b</>c"), "abc");
  EXPECT_EQ(strip_tags("no tags"), "no tags");
}
