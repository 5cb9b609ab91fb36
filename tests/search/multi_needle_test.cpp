#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "search/multi_needle.h"

using namespace zub;

namespace {

// The answer of searching one needle at a time: the smallest start, and the
// lowest needle index among those found there.
MultiHit one_at_a_time(const std::vector<std::string>& needles, bool icase, std::string_view hay,
                       size_t from) {
  MultiHit best;
  for (size_t k = 0; k < needles.size(); ++k) {
    const size_t at = needle_find(make_needle(needles[k], icase), hay, from);
    if (at < best.pos) best = {at, k};
  }
  return best;
}

void expect_all_engines_agree(const std::vector<std::string>& needles, bool icase,
                              std::string_view hay, size_t from) {
  std::vector<std::string_view> views(needles.begin(), needles.end());
  const MultiNeedle m = make_multi_needle(views, icase);
  const MultiHit want = one_at_a_time(needles, icase, hay, from);
  for (MultiEngine e : multi_engines_available(m)) {
    MultiNeedle forced = m;
    forced.engine = e;
    const MultiHit got = multi_find(forced, hay, from);
    ASSERT_EQ(got.pos, want.pos) << "engine " << int(e) << " icase " << icase << " from " << from
                                 << " needles " << ::testing::PrintToString(needles);
    if (want.pos != std::string_view::npos) {
      ASSERT_EQ(got.which, want.which) << "engine " << int(e);
    }
  }
}

}  // namespace

// Generated texts and needle sets: needles that overlap one another, share
// prefixes, are prefixes or suffixes of each other, differ only in case,
// hold non-ASCII bytes, and hits placed across every vector-step boundary
// and at the very end. Every engine must give the answer of searching one
// needle at a time.
TEST(MultiNeedle, AgreesWithOneNeedleAtATime) {
  std::mt19937 rng(16);
  const std::string alphabet = "abAB_x\n\xc3\xa9\xe2";
  for (int iter = 0; iter < 6000; ++iter) {
    const bool icase = rng() % 3 == 0;
    std::string hay;
    const size_t hl = rng() % 200;
    for (size_t k = 0; k < hl; ++k) hay.push_back(alphabet[rng() % alphabet.size()]);
    std::vector<std::string> needles;
    const size_t count = 1 + rng() % (iter % 5 == 0 ? 14 : 8);
    for (size_t k = 0; k < count; ++k) {
      std::string nd;
      const size_t nl = 1 + rng() % 6;
      if (hl >= nl && rng() % 2) {
        nd = hay.substr(rng() % (hl - nl + 1), nl);
      } else if (!needles.empty() && rng() % 3 == 0) {
        nd = needles[rng() % needles.size()];  // a prefix of, or an extension of, an earlier one
        nd = rng() % 2 ? nd.substr(0, 1 + rng() % nd.size())
                       : nd + alphabet[rng() % alphabet.size()];
      } else {
        for (size_t j = 0; j < nl; ++j) nd.push_back(alphabet[rng() % alphabet.size()]);
      }
      needles.push_back(nd);
    }
    const size_t from = hl ? rng() % (hl + 2) : 0;
    expect_all_engines_agree(needles, icase, hay, from);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(MultiNeedle, BoundariesCaseAndWorstCases) {
  // A hit that ends exactly at the end, starts one byte before a 16- or
  // 32-byte step, or straddles one.
  for (size_t at : {0u, 13u, 15u, 16u, 29u, 30u, 31u, 32u, 33u, 61u, 62u, 63u, 64u, 95u}) {
    for (size_t tail : {0u, 1u, 2u, 40u}) {
      std::string hay(at, '.');
      hay += "kvfree";
      hay += std::string(tail, '.');
      expect_all_engines_agree({"GFP_NOWAIT", "kvfree", "copy_to_user"}, false, hay, 0);
      expect_all_engines_agree({"gfp_nowait", "KVFREE", "x"}, true, hay, 0);
    }
  }
  // Only the case differs: found with icase, not without.
  expect_all_engines_agree({"Straße", "MUTEX"}, false, "a mutex and STRASSE and straße", 0);
  expect_all_engines_agree({"Straße", "MUTEX"}, true, "a mutex and STRASSE and STRAßE", 0);
  // An empty needle is found wherever the search starts.
  expect_all_engines_agree({"zz", ""}, false, "abc", 2);
  expect_all_engines_agree({"zz", ""}, false, "abc", 3);
  // Near-misses everywhere: many candidates, each failing at its last byte.
  // The answer must still be right (and come without quadratic work).
  std::string near;
  for (int k = 0; k < 20000; ++k) near += "aaaaaaaaaaaaaaa";
  near += "aaaaaaab";
  std::vector<std::string> long_needles;
  for (int k = 0; k < 6; ++k) long_needles.push_back(std::string(200 + k, 'a') + "c");
  long_needles.push_back("aab");
  expect_all_engines_agree(long_needles, false, near, 0);
  expect_all_engines_agree(long_needles, true, near, 5);
}
