#include "html/html_element.h"

#include <gtest/gtest.h>

#include <string>

using namespace zub;

namespace {
constexpr size_t npos = std::string_view::npos;
}

TEST(HtmlElement, ClassMustBeAWholeNameOfTheClassAttribute) {
  struct Case {
    const char* html;
    size_t want;
  } cases[] = {
      {"<div class=\"b_caption\">x</div>", 0},
      {"<p>a</p><div id=q class='x  b_caption\ty'>x</div>", 8},
      {"<div class=\"b_caption2\">x</div><i class=\"b_caption\">", 31},
      {"<div class=\"xb_caption\">", npos},
      {"<div data-class=\"b_caption\">", npos},           // another attribute
      {"<div class=\"a\" title=\" b_caption \">", npos},  // outside the class value
      {"<p>b_caption</p><p>\"b_caption\"</p>", npos},     // text, not a tag
      {"<div class=\"b_caption", 0},                      // cut off at the end
      {"", npos},
  };
  for (const auto& c : cases) EXPECT_EQ(find_class_tag(c.html, "b_caption"), c.want) << c.html;
  EXPECT_EQ(find_class_tag("<a class=\"b_caption\"><b class=\"b_caption\">", "b_caption", 1), 21u);
}
