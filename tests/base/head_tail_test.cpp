#include "base/head_tail.h"

#include <gtest/gtest.h>

#include <string>

using zub::HeadTail;

namespace {

std::string numbered_lines(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "line " + std::to_string(i) + "\n";
  return s;
}

// Feeds `text` in pieces of `step` bytes.
HeadTail::Kept capture(const std::string& text, uint64_t cap, size_t step) {
  HeadTail ht(cap);
  for (size_t at = 0; at < text.size(); at += step)
    ht.append(std::string_view(text).substr(at, step));
  EXPECT_EQ(ht.total(), text.size());
  return ht.finish();
}

}  // namespace

TEST(HeadTail, WithinTheCapEverythingIsKept) {
  const std::string text = numbered_lines(100);
  for (size_t step : {size_t{1}, size_t{7}, text.size()}) {
    const HeadTail::Kept k = capture(text, text.size(), step);
    EXPECT_EQ(k.text, text);
    EXPECT_EQ(k.left_out, 0u);
    EXPECT_EQ(k.gap_size, 0u);
  }
}

TEST(HeadTail, PastTheCapWholeLinesOfHeadAndTailAroundTheGapLine) {
  const std::string text = numbered_lines(10000);  // 88890 bytes
  for (size_t step : {size_t{1}, size_t{333}, size_t{65536}}) {
    const HeadTail::Kept k = capture(text, 1000, step);
    const std::string gap = k.text.substr(k.gap_at, k.gap_size);
    EXPECT_EQ(gap, zub::head_tail_gap_line(k.left_out, 1000));
    const std::string head = k.text.substr(0, k.gap_at);
    const std::string tail = k.text.substr(k.gap_at + k.gap_size);
    // Lines are whole on both sides and come from the two ends of the text.
    EXPECT_EQ(text.compare(0, head.size(), head), 0);
    EXPECT_EQ(text.compare(text.size() - tail.size(), tail.size(), tail), 0);
    EXPECT_EQ(head.back(), '\n');
    EXPECT_EQ(tail.substr(0, 5), "line ");
    EXPECT_LE(head.size(), 500u);
    EXPECT_LE(tail.size(), 500u);
    EXPECT_GT(head.size() + tail.size(), 900u) << "the cut moves only to the next line";
    EXPECT_EQ(k.left_out, text.size() - head.size() - tail.size());
  }
}

TEST(HeadTail, OneEndlessLineIsCutAtCharacterBoundaries) {
  std::string text;
  while (text.size() < 200000) text += "가나다";  // 3-byte characters, no line feed
  const HeadTail::Kept k = capture(text, 1001, 4096);
  const std::string head = k.text.substr(0, k.gap_at);
  const std::string tail = k.text.substr(k.gap_at + k.gap_size);
  EXPECT_EQ(head.back(), '\n') << "the gap line starts a line of its own";
  EXPECT_EQ(head.size() % 3, 1u);  // whole characters, then the line feed
  EXPECT_EQ(tail.size() % 3, 0u);
  EXPECT_EQ(k.left_out, text.size() - (head.size() - 1) - tail.size());
  // A cap of 0 keeps nothing but says so.
  const HeadTail::Kept none = capture("abc\n", 0, 1);
  EXPECT_EQ(none.text, zub::head_tail_gap_line(4, 0));
}
