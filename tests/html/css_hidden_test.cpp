// What CSS and attributes hide, and what class and id words say an element is.
#include "html/css_hidden.h"

#include <gtest/gtest.h>

#include "html/class_words.h"
#include "html/css_hidden_sheet.h"
#include "html/tag_attrs.h"

using zub::ClassRole;
using zub::HiddenSelectors;
using zub::read_tag_attrs;
using zub::style_hides;

TEST(StyleHides, DeclarationsThatHideAndThoseThatDoNot) {
  for (const char* css : {"display:none",
                          "DISPLAY : NONE !important",
                          "color:red; visibility:hidden",
                          "visibility:collapse",
                          "font-size:0",
                          "font-size: 0.0em",
                          "opacity:0",
                          "opacity:.05",
                          "opacity:0%",
                          "width:0;overflow:hidden",
                          "height:1px; overflow-y: clip",
                          "position:absolute; left:-9999px",
                          "position:fixed;top:-100em",
                          "text-indent:-9999px",
                          "clip: rect(0, 0, 0, 0)",
                          "clip-path: inset(50%)",
                          "transform:scale(0)",
                          "d\\69 splay:none",
                          "display:/* x */none",
                          "display&#58;none",
                          "display&colon;none",
                          "color: transparent",
                          "color:rgba(0, 0, 0, 0)",
                          "color: rgb(10 20 30 / 0%)",
                          "color:#0000",
                          "color:hsla(120deg, 50%, 50%, 0)",
                          "color:#FFF; background:#ffffff url(x.png) no-repeat",
                          "background-color: rgb(0,0,0); color: black",
                          "filter: blur(1px) opacity(0)",
                          "font: 0/0 a",
                          "FONT: italic bold 0px/1 serif",
                          "content-visibility: hidden"})
    EXPECT_TRUE(style_hides(css)) << css;
  for (const char* css : {"",
                          "display:block",
                          "color:red",
                          "opacity:0.5",
                          "font-size:10px",
                          "width:0",
                          "overflow:hidden",
                          "left:-9999px",
                          "position:absolute;left:-20px",
                          "width:100px;overflow:hidden",
                          "content:'display:none'x",
                          "clip:rect(0,10px,10px,0)",
                          "transform:scale(1)",
                          "height:auto",
                          "color:transparent;-webkit-background-clip:text",
                          "color:transparent; text-shadow:0 0 2px #000",
                          "color:#fff;background:#000",
                          "color:rgba(0,0,0,.5)",
                          "color:white;background:rgba(255,255,255,.5)",
                          "filter:opacity(50%)",
                          "font: 12px/1.5 serif",
                          "font:bold 16px arial",
                          "font: 400 1em sans-serif",
                          "content-visibility:auto"})
    EXPECT_FALSE(style_hides(css)) << css;
}

TEST(HiddenSelectors, SimpleSelectorsOfTopLevelRules) {
  HiddenSelectors s;
  EXPECT_TRUE(s.empty());
  EXPECT_FALSE(s.add_sheet(
      "@import url(x.css); p { color: red } .x:hover .y, .x + .y, .x::before { display:none }"));
  EXPECT_TRUE(s.empty());  // what a reader does or the elements around decide
  EXPECT_TRUE(s.add_sheet(
      "/* c */ .Hide, div#plant , span.sr-only{display:none} @media print { .story { display: "
      "none } } .wide{visibility:hidden} @media (min-width:1px) { .wide { display:block } }"));
  auto hides = [&](const char* tag, const char* attrs) {
    const std::string text = std::string("<") + tag + " " + attrs;
    return s.hides(tag, text, read_tag_attrs(text));
  };
  EXPECT_TRUE(hides("p", "class=\"a hide\""));  // letter case does not matter
  EXPECT_TRUE(hides("div", "id=plant"));
  EXPECT_FALSE(hides("p", "id=plant"));  // div#plant only
  EXPECT_TRUE(hides("span", "class='x sr-only'"));
  EXPECT_FALSE(hides("div", "class=sr-only"));
  EXPECT_FALSE(hides("article", "class=story"));    // only in print
  EXPECT_FALSE(hides("p", "class=\"wide hide\""));  // shown again on screens
  EXPECT_FALSE(hides("p", "class=hider"));
}

TEST(TagAttrs, ReadsTheAttributesThatMatter) {
  auto a = read_tag_attrs(
      "<div data-x=\"class=no\" CLASS = 'a b' id=main Style=\"x:y\" role=Main hidden "
      "aria-hidden=\" True \" class=second");
  EXPECT_EQ(a.cls, "a b");
  EXPECT_EQ(a.id, "main");
  EXPECT_EQ(a.style, "x:y");
  EXPECT_EQ(a.role, "Main");
  EXPECT_TRUE(a.hidden);
  EXPECT_TRUE(a.aria_hidden);
  a = read_tag_attrs("<p data-hidden aria-hidden=false class=\"unclosed");
  EXPECT_FALSE(a.hidden);
  EXPECT_FALSE(a.aria_hidden);
  EXPECT_EQ(a.cls, "unclosed");
  // Found only by a reader who searches the page for the words.
  EXPECT_TRUE(read_tag_attrs("<p HIDDEN=\"until-found\">").hidden);
  std::string_view v;
  EXPECT_TRUE(zub::find_tag_attr("<p data-x=\"1\" Data-Y", "data-y", v));
  EXPECT_EQ(v, "");
  EXPECT_FALSE(zub::find_tag_attr("<p title='data-y'>", "data-y", v));
}

// Chains of compound selectors are matched through the context each open
// element hands to its children.
TEST(HiddenSelectors, ChainsMatchThroughTheContextOfAncestors) {
  HiddenSelectors s;
  EXPECT_TRUE(
      s.add_sheet(".wrap p, .box > span, .a.b, [data-x='Y' i] em, ul * b { display:none }"));
  EXPECT_TRUE(s.needs_context());
  using Context = HiddenSelectors::Context;
  // Opens the elements of `path` in turn; true when the last is hidden.
  auto hidden = [&](std::initializer_list<const char*> path) {
    Context ctx[8];
    size_t depth = 0;
    bool last = false;
    for (const char* tag : path) {
      const std::string text = tag;
      const std::string name = text.substr(1, text.find_first_of(" >", 1) - 1);
      last =
          s.hides(name, text, read_tag_attrs(text), depth ? &ctx[depth - 1] : nullptr, &ctx[depth]);
      ++depth;
    }
    return last;
  };
  EXPECT_TRUE(hidden({"<div class=wrap", "<section", "<p"}));
  EXPECT_FALSE(hidden({"<div class=wrapper", "<p"}));
  EXPECT_TRUE(hidden({"<div class=box", "<span"}));
  EXPECT_FALSE(hidden({"<div class=box", "<b", "<span"}));  // a child only
  EXPECT_TRUE(hidden({"<p class='b x A'"}));
  EXPECT_FALSE(hidden({"<p class=a"}));
  EXPECT_TRUE(hidden({"<div data-x=y", "<em"}));
  EXPECT_FALSE(hidden({"<div data-x=yes", "<em"}));
  EXPECT_TRUE(hidden({"<ul", "<li", "<b"}));
  EXPECT_FALSE(hidden({"<ul", "<b"}));  // "*" stands for one element at least
}

TEST(ClassRole, WordsOfClassAndId) {
  struct Case {
    const char* cls;
    const char* id;
    ClassRole want;
  };
  const Case cases[] = {
      {"entry-content", "", ClassRole::content},
      {"articleContent", "", ClassRole::content},
      {"", "main", ClassRole::content},
      {"domain-list", "", ClassRole::none},  // "main" starts no word here
      {"comment-body", "", ClassRole::comment},
      {"", "respond", ClassRole::comment},
      {"responsive", "", ClassRole::none},
      {"related-posts", "", ClassRole::boilerplate},
      {"post-share-buttons", "", ClassRole::boilerplate},
      {"sphinxsidebar", "", ClassRole::boilerplate},
      {"sidebar-content", "", ClassRole::content},  // a content word beside it
      {"ad", "", ClassRole::boilerplate},
      {"adjacent", "", ClassRole::none},
      {"section", "sharing-with-a-single-developer", ClassRole::none},  // a heading's slug
      {"", "", ClassRole::none},
  };
  for (const Case& c : cases)
    EXPECT_EQ(zub::class_role(c.cls, c.id), c.want) << c.cls << " / " << c.id;
  EXPECT_EQ(zub::landmark_role("MAIN"), ClassRole::content);
  EXPECT_EQ(zub::landmark_role("navigation"), ClassRole::boilerplate);
  EXPECT_EQ(zub::landmark_role("presentation"), ClassRole::none);
}
