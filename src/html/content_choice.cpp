#include "html/content_choice.h"

#include <algorithm>
#include <cstdint>

namespace zub {

namespace {

// An inner candidate that keeps this share of the best candidate's text is
// preferred: what the outer one adds is the frame around the article.
constexpr double kInnerShare = 0.75;
// The first-candidate span wins when it keeps this many times more than
// the best single candidate: the content is then split over elements that
// no single candidate holds.
constexpr size_t kFirstRootFactor = 3;

struct BlockRange {
  size_t lo = 0;
  size_t hi = 0;
};

BlockRange blocks_in(const std::vector<Block>& blocks, TextSpan s) {
  auto at = [&](size_t pos) {
    return static_cast<size_t>(
        std::lower_bound(blocks.begin(), blocks.end(), pos,
                         [](const Block& b, size_t p) { return b.offset < p; }) -
        blocks.begin());
  };
  const size_t lo = at(s.start);
  return {lo, std::max(lo, at(s.end))};
}

bool inside(TextSpan inner, TextSpan outer) {
  return inner.start >= outer.start && inner.end <= outer.end;
}

// Prefix sums of the plain bytes of kept blocks: sums[i] covers blocks < i.
std::vector<size_t> kept_sums(const std::vector<Block>& blocks, const std::vector<bool>& keep) {
  std::vector<size_t> sums(blocks.size() + 1, 0);
  for (size_t i = 0; i < blocks.size(); ++i)
    sums[i + 1] = sums[i] + (keep[i] ? blocks[i].plain_bytes : 0);
  return sums;
}

size_t sum_of(const std::vector<size_t>& sums, BlockRange r) { return sums[r.hi] - sums[r.lo]; }

// Marks the blocks of the boilerplate elements inside `scope` that keep
// less than half of `scope_kept` (by `sums`); for an element that is
// boilerplate by its name alone, less than three quarters: a side column
// beside a short article may hold more text than the article.
std::vector<bool> boilerplate_mask(const StrippedPage& page, const std::vector<Block>& blocks,
                                   const std::vector<size_t>& sums, TextSpan scope,
                                   size_t scope_kept) {
  std::vector<int32_t> diff(blocks.size() + 1, 0);
  for (const TextSpan& bp : page.boilerplate) {
    if (!inside(bp, scope) || (bp.start == scope.start && bp.end == scope.end)) continue;
    const BlockRange r = blocks_in(blocks, bp);
    const size_t held = sum_of(sums, r);
    if (r.lo == r.hi || (bp.by_name ? 4 * held >= 3 * scope_kept : 2 * held >= scope_kept))
      continue;
    ++diff[r.lo];
    --diff[r.hi];
  }
  std::vector<bool> mask(blocks.size(), false);
  int32_t depth = 0;
  for (size_t i = 0; i < blocks.size(); ++i) {
    depth += diff[i];
    mask[i] = depth > 0;
  }
  return mask;
}

}  // namespace

TextSpan choose_root(const StrippedPage& page, TextSpan whole, const std::vector<Block>& blocks,
                     const std::vector<Verdict>& verdicts) {
  if (page.candidates.empty() && !page.has_first_root) return whole;
  const std::vector<size_t> all = kept_sums(blocks, settle_verdicts(verdicts));
  // Boilerplate does not count towards a candidate: a wrapper does not win
  // by the comments and side lists it holds.
  const std::vector<bool> mask = boilerplate_mask(page, blocks, all, whole, all.back());
  std::vector<size_t> sums(blocks.size() + 1, 0);
  for (size_t i = 0; i < blocks.size(); ++i)
    sums[i + 1] = sums[i] + (mask[i] ? 0 : all[i + 1] - all[i]);

  std::vector<size_t> kept(page.candidates.size());
  size_t best_kept = 0;
  for (size_t i = 0; i < page.candidates.size(); ++i) {
    kept[i] = sum_of(sums, blocks_in(blocks, page.candidates[i]));
    best_kept = std::max(best_kept, kept[i]);
  }
  const TextSpan* best = nullptr;
  if (best_kept > 0) {
    for (size_t i = 0; i < page.candidates.size(); ++i) {
      const TextSpan& c = page.candidates[i];
      if (static_cast<double>(kept[i]) < kInnerShare * static_cast<double>(best_kept)) continue;
      if (!best || c.end - c.start < best->end - best->start) best = &c;
    }
  }
  if (page.has_first_root) {
    const size_t first_kept = sum_of(sums, blocks_in(blocks, page.first_root));
    if (first_kept > 0 && (!best || best_kept * kFirstRootFactor < first_kept))
      return page.first_root;
  }
  return best ? *best : whole;
}

std::vector<bool> keep_in_span(const StrippedPage& page, const std::vector<Block>& blocks,
                               const std::vector<Verdict>& verdicts, TextSpan span, bool simple,
                               size_t& kept) {
  const BlockRange r = blocks_in(blocks, span);
  std::vector<bool> keep(blocks.size(), false);
  auto keep_range = [&](const std::vector<bool>* drop) {
    std::vector<Verdict> sub;
    std::vector<size_t> index;
    for (size_t i = r.lo; i < r.hi; ++i) {
      if (drop && (*drop)[i]) continue;
      sub.push_back(verdicts[i]);
      index.push_back(i);
    }
    std::fill(keep.begin(), keep.end(), false);
    if (simple) {
      for (size_t i : index) keep[i] = keep_simple(blocks[i]);
    } else {
      const std::vector<bool> settled = settle_verdicts(sub);
      for (size_t k = 0; k < index.size(); ++k) keep[index[k]] = settled[k];
    }
  };
  keep_range(nullptr);
  std::vector<size_t> sums = kept_sums(blocks, keep);
  const std::vector<bool> mask = boilerplate_mask(page, blocks, sums, span, sum_of(sums, r));
  if (std::find(mask.begin(), mask.end(), true) != mask.end()) {
    keep_range(&mask);
    sums = kept_sums(blocks, keep);
  }
  kept = sum_of(sums, r);
  return keep;
}

}  // namespace zub
