// The entry point of every test binary: the process leaves the caller's
// environment behind (support/test_env.h) before GoogleTest starts.
#include <gtest/gtest.h>

#include "support/test_env.h"

int main(int argc, char** argv) {
  const zub_test::IsolatedEnvironment isolated;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
