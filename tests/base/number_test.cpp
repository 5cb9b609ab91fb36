#include "base/number.h"

#include <gtest/gtest.h>

#include <string>

using namespace zub;

TEST(Number, TheNumberArgumentRule) {
  EXPECT_EQ(parse_u64("0"), 0u);
  EXPECT_EQ(parse_u64("+5"), 5u);
  EXPECT_EQ(parse_u64("18446744073709551615"), UINT64_MAX);
  for (const char* bad :
       {"", "+", "-", "-5", "++5", "5 ", " 5", "1e3", "18446744073709551616", "0x10"})
    EXPECT_FALSE(parse_u64(bad).has_value()) << bad;
  EXPECT_EQ(parse_u16("65535"), 65535);
  EXPECT_FALSE(parse_u16("65536").has_value());
  EXPECT_FALSE(parse_u32("4294967296").has_value());
}
