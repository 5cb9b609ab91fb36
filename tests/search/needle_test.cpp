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

namespace {

size_t naive_find(std::string_view hay, std::string_view needle, size_t from, bool icase) {
  auto fold = [&](char c) { return icase ? ascii_lower_char(c) : c; };
  for (size_t p = from; p + needle.size() <= hay.size(); ++p) {
    size_t k = 0;
    while (k < needle.size() && fold(hay[p + k]) == fold(needle[k])) ++k;
    if (k == needle.size()) return p;
  }
  return std::string_view::npos;
}

// Needles built from a short random seed repeated with a few changes, so
// that near-matches are everywhere: the case that makes verification costly
// and that the Two-Way factorization must get right.
std::string periodic_text(std::mt19937& rng, std::string_view alphabet, size_t len) {
  std::string seed;
  const size_t sl = 1 + rng() % 4;
  for (size_t k = 0; k < sl; ++k) seed.push_back(alphabet[rng() % alphabet.size()]);
  std::string out;
  while (out.size() < len) out += seed;
  out.resize(len);
  for (size_t k = rng() % 3; k > 0 && !out.empty(); --k)
    out[rng() % out.size()] = alphabet[rng() % alphabet.size()];
  return out;
}

}  // namespace

// The linear fallback and the candidate-led search (which hands over to it
// once verifying costs too much) must both agree with a naive scan: periodic
// and aperiodic needles, folded ASCII, bytes above 0x7f, hits at both ends.
TEST(Needle, TwoWayAndHandOverAgreeWithNaiveScan) {
  std::mt19937 rng(7);
  const std::string alphabets[] = {"ab", "aAbB", "abc\xff\xe9", "xX_\x80 "};
  for (int iter = 0; iter < 6000; ++iter) {
    const std::string& al = alphabets[iter % 4];
    const size_t hl = rng() % (iter % 10 == 0 ? 3000 : 90);
    std::string hay = periodic_text(rng, al, hl);
    std::string needle;
    const size_t nl = 1 + rng() % (iter % 10 == 0 ? 700 : 12);
    switch (rng() % 4) {
      case 0: needle = periodic_text(rng, al, nl); break;
      case 1:
        for (size_t k = 0; k < nl; ++k) needle.push_back(al[rng() % al.size()]);
        break;
      case 2:  // a suffix or prefix of the haystack
        needle = rng() % 2 ? hay.substr(hl - std::min(nl, hl)) : hay.substr(0, std::min(nl, hl));
        break;
      default:  // an inner slice with one byte's case flipped
        needle = hl > nl ? hay.substr(rng() % (hl - nl), nl) : hay;
        if (!needle.empty()) needle[rng() % needle.size()] ^= 0x20;
    }
    if (needle.empty()) needle.push_back(al[0]);
    const size_t from = hl && rng() % 3 == 0 ? rng() % (hl + 1) : 0;
    for (bool icase : {false, true}) {
      const Needle n = make_needle(needle, icase);
      const size_t want = naive_find(hay, needle, from, icase);
      ASSERT_EQ(needle_find_two_way(n, hay, from), want) << icase << " " << hay << " / " << needle;
      ASSERT_EQ(needle_find(n, hay, from), want) << icase << " " << hay << " / " << needle;
    }
  }
  // Long needle in text that nearly matches at every position: each result
  // must still be exact after the hand-over.
  std::string hay;
  for (int line = 0; line < 4; ++line) hay += std::string(20000, 'a') + "\n";
  hay += std::string(30000, 'a') + "b\n";
  const std::string needle = std::string(30000, 'A') + "B";
  EXPECT_EQ(needle_find(make_needle(needle, true), hay), 4u * 20001u);
  EXPECT_EQ(needle_find(make_needle(needle, false), hay), std::string_view::npos);
}
