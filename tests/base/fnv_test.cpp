#include "base/fnv.h"

#include <gtest/gtest.h>

#include <string>

using namespace zub;

TEST(Fnv, TwoDistinctVariants) {
  // Published FNV-1a 64 test vectors.
  EXPECT_EQ(line_fingerprint(""), 0xcbf29ce484222325ULL);
  EXPECT_EQ(line_fingerprint("a"), 0xaf63dc4c8601ec8cULL);
  EXPECT_EQ(line_fingerprint("foobar"), 0x85944171f73967e8ULL);
  EXPECT_EQ(fetch_key_hash(""), 0x14650fb0739d0383ULL);
  EXPECT_NE(fetch_key_hash("a"), line_fingerprint("a"));
  // One step by hand: (basis ^ 'a') * prime.
  EXPECT_EQ(fetch_key_hash("a"), (0x14650fb0739d0383ULL ^ 0x61) * 0x100000001b3ULL);
}
