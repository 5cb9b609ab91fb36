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

TEST(FindAsciiCi, EitherCaseFromAnOffsetAndFromTheEnd) {
  constexpr size_t npos = std::string_view::npos;
  const std::string_view page = "<P>a</Style><STYLE x>b</style>";
  EXPECT_EQ(find_ascii_ci(page, "<style"), 12u);
  EXPECT_EQ(find_ascii_ci(page, "</style", 5), 22u);
  EXPECT_EQ(find_ascii_ci(page, "</style", 23), npos);
  EXPECT_EQ(find_ascii_ci("xStYlE", "style"), 1u);  // a needle that starts with a letter
  EXPECT_EQ(find_ascii_ci("<sty", "<style"), npos);
  EXPECT_EQ(rfind_ascii_ci(page, "</style"), 22u);
  EXPECT_EQ(rfind_ascii_ci(page, "</style", 23), npos);
  EXPECT_EQ(rfind_ascii_ci(page, "<p>", 0), 0u);
  // Bytes of UTF-8 text are never folded into letters.
  EXPECT_EQ(find_ascii_ci("\xc3\x89t\xc3\xa9", "\xc3\xa9"), 3u);
}
