// Reciprocal-rank fusion of the engines' hit lists: hits of the same page
// (same merge key) become one record whose score sums w / (60 + rank) over
// the engines that found it, with the local service weighted 1.0 and the
// public engines 0.6. Then the stable sort and the per-host selection.
// Pure functions, thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "web/result_block.h"

namespace zub {

struct FusedHit {
  std::string title;
  std::string url;  // the first url seen for the page
  std::string snippet;
  std::vector<std::string> engines;  // labels, each once, in contribution order
  float score = 0.0f;
};

// One engine's list under its label ("searx", "brave" or "bing").
struct EngineHits {
  std::string_view label;
  const std::vector<SearchHit>* hits;
};

inline constexpr float kRankConstant = 60.0f;
inline constexpr size_t kPerHostLimit = 2;

// The url without fragment, tracking parameters (utm_*, ref, ved, usg,
// gclid, fbclid, source), trailing slashes, scheme and one leading "www.".
std::string merge_key(std::string_view url);

// Fuses the lists in the order given; hits on blocked hosts are dropped
// but keep their rank. The result is sorted by score, highest first, ties
// in creation order.
std::vector<FusedHit> fuse_hits(const std::vector<EngineHits>& lists);

// The first records of `sorted` with at most two per host (url_host),
// stopping at `limit` records; at least one when `sorted` is not empty.
std::vector<FusedHit> select_per_host(std::vector<FusedHit> sorted, uint64_t limit);

}  // namespace zub
