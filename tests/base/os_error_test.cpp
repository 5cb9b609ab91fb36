#include "base/os_error.h"

#include <gtest/gtest.h>

#include <string>

using namespace zub;

TEST(PathError, StrerrorTextWithCode) {
  EXPECT_EQ(os_error_text(2), "No such file or directory (os error 2)");
  EXPECT_EQ(os_error_text(13), "Permission denied (os error 13)");
}
