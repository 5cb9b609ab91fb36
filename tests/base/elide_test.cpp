#include "base/elide.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/utf8.h"

using namespace zub;

TEST(Elide, HeadTailAndCountedMiddle) {
  const std::string line(1000, 'x');
  std::string out;
  bool shortened = false;
  EXPECT_EQ(append_elided(out, line, 200, &shortened), 800u);
  EXPECT_TRUE(shortened);
  EXPECT_EQ(out, std::string(140, 'x') + "…800c…" + std::string(60, 'x'));

  // 201 bytes: shortened although the result is longer.
  out.clear();
  EXPECT_EQ(append_elided(out, std::string(201, 'y'), 200, &shortened), 1u);
  EXPECT_TRUE(shortened);

  // Exactly W bytes stays whole.
  out.clear();
  EXPECT_EQ(append_elided(out, std::string(200, 'z'), 200, &shortened), 0u);
  EXPECT_FALSE(shortened);
  EXPECT_EQ(out.size(), 200u);

  // Width 0: only the marker.
  EXPECT_EQ(elide_line("abc", 0), "…3c…");

  // Multi-byte characters are never split: the head moves back, the tail
  // forward.
  std::string korean;
  for (int i = 0; i < 100; ++i) korean += "가";  // 300 bytes
  const std::string e = elide_line(korean, 200);
  EXPECT_TRUE(is_valid_utf8(e));
  // Head: 140 -> 138 bytes (46 chars); tail starts at ceil(240) = 240.
  EXPECT_EQ(e.substr(0, 138), korean.substr(0, 138));
  EXPECT_NE(e.find("…102c…"), std::string::npos);

  // A huge width never overflows.
  EXPECT_EQ(elide_line("abc", UINT64_MAX), "abc");
}
