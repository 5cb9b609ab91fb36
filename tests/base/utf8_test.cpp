#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>

using namespace zub;

TEST(Utf8, ValidationRejectsEveryIllFormedShape) {
  EXPECT_TRUE(is_valid_utf8("plain ascii text that is longer than eight bytes"));
  EXPECT_TRUE(is_valid_utf8("한글 \xF0\x9F\x98\x80"));
  EXPECT_FALSE(is_valid_utf8("\xC0\x80"));          // overlong NUL
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(is_valid_utf8("abcdefgh\xE2\x82"));  // truncated after the fast path
  EXPECT_FALSE(is_valid_utf8("\x80"));
}

TEST(Utf8, LossyDecodingReplacesMaximalSubparts) {
  // E2 82 is one maximal subpart (one U+FFFD), then 'a'.
  EXPECT_EQ(decode_lossy("\xE2\x82"
                         "a"),
            "\xEF\xBF\xBD"
            "a");
  // Each byte of an invalid lead is its own subpart.
  EXPECT_EQ(decode_lossy("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  // F0 80: 80 is not a valid second byte after F0, so F0 alone, then 80.
  EXPECT_EQ(decode_lossy("\xF0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(decode_lossy("\xF0\x9F\x98"), "\xEF\xBF\xBD");
  EXPECT_EQ(decode_lossy("ok"), "ok");
}

TEST(Utf8, BoundariesAndCuts) {
  const std::string s = "a한b";  // a, 3 bytes, b
  EXPECT_EQ(byte_cut(s, 2), "a");
  EXPECT_EQ(byte_cut(s, 4), "a한");
  EXPECT_EQ(byte_cut(s, 100), s);
  EXPECT_EQ(ceil_char_boundary(s, 2), 4u);
  EXPECT_EQ(floor_char_boundary(s, 3), 1u);
  EXPECT_EQ(char_count(s), 3u);
  EXPECT_EQ(char_offset(s, 2), 4u);
  EXPECT_EQ(char_offset(s, 9), s.size());
}
