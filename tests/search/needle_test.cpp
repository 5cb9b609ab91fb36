#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/text.h"
#include "search/needle.h"

using namespace zub;

namespace {

size_t naive_icase(std::string_view hay, std::string_view needle, size_t from) {
  const std::string h = ascii_lower(hay), n = ascii_lower(needle);
  return find_bytes(h, n, from);
}

}  // namespace

// The vector search must agree with a plain scan at every offset, for needles
// whose rare bytes sit anywhere, across block boundaries and at the very end.
TEST(Needle, AgreesWithPlainSearch) {
  std::mt19937 rng(99);
  const std::string alphabet = "abcXYZ_{}\n é";
  for (int iter = 0; iter < 4000; ++iter) {
    std::string hay;
    const size_t hl = rng() % 120;
    for (size_t k = 0; k < hl; ++k) hay.push_back(alphabet[rng() % alphabet.size()]);
    std::string needle;
    const size_t nl = 1 + rng() % 4;
    if (hl >= nl && rng() % 2) {
      needle = hay.substr(rng() % (hl - nl + 1), nl);
    } else {
      for (size_t k = 0; k < nl; ++k) needle.push_back(alphabet[rng() % alphabet.size()]);
    }
    const size_t from = hl ? rng() % (hl + 1) : 0;
    Needle cs = make_needle(needle, false);
    ASSERT_EQ(needle_find(cs, hay, from), find_bytes(hay, needle, from)) << hay << " / " << needle;
    Needle ci = make_needle(needle, true);
    ASSERT_EQ(needle_find(ci, hay, from), naive_icase(hay, needle, from)) << hay << " / " << needle;
  }
}

TEST(Needle, EdgeCases) {
  EXPECT_EQ(needle_find(make_needle("", false), "abc", 2), 2u);
  EXPECT_EQ(needle_find(make_needle("", false), "abc", 4), std::string_view::npos);
  EXPECT_EQ(needle_find(make_needle("abcd", false), "abc"), std::string_view::npos);
  std::string big(100000, 'a');
  big += "FooBar";
  EXPECT_EQ(needle_find(make_needle("foobar", true), big), 100000u);
  EXPECT_EQ(needle_find(make_needle("foobar", false), big), std::string_view::npos);
  // Case folding touches ASCII letters only: "@" is not "`".
  EXPECT_EQ(needle_find(make_needle("a@", true), "A`a@"), 2u);
  EXPECT_EQ(count_byte(big.data(), big.size(), 'a'), 100001u);
  std::string nl(1000, '\n');
  EXPECT_EQ(count_byte(nl.data() + 3, 990, '\n'), 990u);
}
