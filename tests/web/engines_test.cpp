#include "web/engines.h"

#include <gtest/gtest.h>

using namespace zub;

TEST(Engines, FormEncode) {
  EXPECT_EQ(form_encode("sqlite wal"), "sqlite+wal");
  EXPECT_EQ(form_encode("a-b.c_d~e"), "a-b.c_d~e");
  EXPECT_EQ(form_encode("c++ & \"x\"/?#=%"), "c%2B%2B+%26+%22x%22%2F%3F%23%3D%25");
  EXPECT_EQ(form_encode("한글"), "%ED%95%9C%EA%B8%80");
  EXPECT_EQ(form_encode(std::string("\x00\x7f", 2)), "%00%7F");
}
