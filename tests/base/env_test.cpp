// The environment accessors: which values count as present, as a switch and
// as a number.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/env.h"

TEST(Env, PresenceSwitchesAndRawValuesDifferOnlyWhereTheyShould) {
  const char* name = "ZUB_ENV_TEST_VALUE";
  unsetenv(name);
  EXPECT_FALSE(zub::env_present(name));
  EXPECT_FALSE(zub::env_switch_set(name));
  EXPECT_EQ(zub::env_text(name), std::nullopt);
  EXPECT_EQ(zub::env_number(name), std::nullopt);

  // Empty still counts as set.
  setenv(name, "", 1);
  EXPECT_TRUE(zub::env_present(name));
  EXPECT_TRUE(zub::env_switch_set(name));
  EXPECT_EQ(zub::env_text(name), "");
  EXPECT_EQ(zub::env_number(name), std::nullopt);

  // A value that is not UTF-8 is present and readable as it is, but no switch.
  setenv(name, "a\xff", 1);
  EXPECT_TRUE(zub::env_present(name));
  EXPECT_FALSE(zub::env_switch_set(name));
  EXPECT_EQ(zub::env_text(name), "a\xff");

  setenv(name, "+12", 1);
  EXPECT_EQ(zub::env_number(name), 12u);
  unsetenv(name);
}
