#include "base/text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace zub;

TEST(SplitLines, LineFeedsCarriageReturnsAndTheLastLine) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(split_lines(""), V{});
  EXPECT_EQ(split_lines("\n"), V{""});
  EXPECT_EQ(split_lines("a\r\nb\n"), (V{"a", "b"}));
  EXPECT_EQ(split_lines("a\n\nb"), (V{"a", "", "b"}));
  // A lone carriage return is content, not a line end.
  EXPECT_EQ(split_lines("a\rb\r"), V{"a\rb\r"});
  EXPECT_EQ(split_lines("a\r\r\n"), V{"a\r"});
}

TEST(FindBytes, FirstOccurrenceFromOffset) {
  EXPECT_EQ(find_bytes("abcabc", "bc", 0), 1u);
  EXPECT_EQ(find_bytes("abcabc", "bc", 2), 4u);
  EXPECT_EQ(find_bytes("abcabc", "bd", 0), std::string_view::npos);
  EXPECT_EQ(find_bytes("abc", "", 3), 3u);
  EXPECT_EQ(find_bytes("abc", "", 4), std::string_view::npos);
  EXPECT_EQ(find_bytes("ab", "abc", 0), std::string_view::npos);
  EXPECT_EQ(find_bytes(std::string_view("a\0b\0c", 5), std::string_view("\0c", 2), 0), 3u);
}
