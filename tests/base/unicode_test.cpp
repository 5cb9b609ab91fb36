#include "base/unicode.h"

#include <gtest/gtest.h>

#include <string>

using namespace zub;

TEST(Unicode, WhiteSpaceTrimmingIsUnicodeAware) {
  // U+3000 ideographic space, U+00A0 no-break space, U+2028 line separator.
  EXPECT_EQ(trim_ws("\xE3\x80\x80 x\xC2\xA0\t\xE2\x80\xA8"), "x");
  EXPECT_EQ(trim_ws_start("  a b "), "a b ");
  EXPECT_EQ(trim_ws_end("  a b \r"), "  a b");
  // U+200B zero width space is not White_Space.
  EXPECT_EQ(trim_ws("\xE2\x80\x8B"), "\xE2\x80\x8B");
  EXPECT_TRUE(is_blank(" \t\xC2\x85"));
  EXPECT_FALSE(is_blank(" ."));
  // Invalid bytes are never trimmed into.
  EXPECT_EQ(trim_ws(" \xE2\x80 "), "\xE2\x80");
}

TEST(Unicode, PropertyTables) {
  EXPECT_TRUE(is_alphabetic(U'z'));
  EXPECT_TRUE(is_alphabetic(U'한'));
  EXPECT_TRUE(is_alphabetic(U'é'));
  EXPECT_FALSE(is_alphabetic(U'_'));
  EXPECT_FALSE(is_alphabetic(U'3'));
  EXPECT_TRUE(is_numeric(U'٣'));  // Arabic-Indic digit three
  EXPECT_TRUE(is_numeric(U'½'));
  EXPECT_FALSE(is_numeric(U'a'));
  EXPECT_TRUE(is_white_space(0x1680));
  EXPECT_FALSE(is_white_space(0x180E));  // Mongolian vowel separator left White_Space
}
