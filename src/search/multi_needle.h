// Searching for several byte strings in one pass. For a handful of needles
// a vector fingerprint scan (nibble tables over the first bytes of every
// needle, 32 positions per step) finds candidates for all of them at once;
// beyond that, or when candidates turn out to cost more than the scan, an
// Aho-Corasick automaton keeps the work linear in the text. Prepared sets
// are read-only: thread-safe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/needle.h"

namespace zub {

enum class MultiEngine : uint8_t {
  kSingle,     // one needle: the single-needle finder
  kTeddyAvx2,  // nibble-table fingerprints, 32 bytes per step
  kPairSse2,   // two rare bytes per needle, 16 bytes per step
  kAutomaton,  // Aho-Corasick only
};

struct MultiNeedle {
  std::vector<Needle> needles;  // in the caller's order; ASCII-lowered when icase
  bool icase = false;
  bool has_empty = false;
  size_t min_len = 0, max_len = 0;
  MultiEngine engine = MultiEngine::kAutomaton;

  // Fingerprint tables: for each of the first `fp` needle bytes, the set of
  // needles (one bit each, at most 8) whose byte there has a given low or
  // high nibble.
  unsigned fp = 0;
  std::array<std::array<uint8_t, 16>, 3> lo{}, hi{};

  // The automaton: input bytes fall into classes (bytes that occur in no
  // needle share class 0); `delta` is the full transition table, states by
  // classes. Per state, the longest needle that ends there and the lowest
  // index among needles of that length.
  std::array<uint16_t, 256> byte_class{};
  uint32_t classes = 1;
  std::vector<uint32_t> delta;
  std::vector<uint32_t> out_len, out_idx;
};

struct MultiHit {
  size_t pos = std::string_view::npos;  // npos when no needle occurs
  size_t which = 0;                     // index of the needle found there
};

// Prepares a set of needles; with `icase` the search ignores ASCII case.
MultiNeedle make_multi_needle(const std::vector<std::string_view>& needles, bool icase);

// The leftmost occurrence of any needle starting at or after `from`; among
// needles found at the same position, the one with the lowest index.
MultiHit multi_find(const MultiNeedle& m, std::string_view hay, size_t from = 0);

// The engines this machine can run for `m` (the chosen one first); tests run
// every one of them on the same input.
std::vector<MultiEngine> multi_engines_available(const MultiNeedle& m);

}  // namespace zub
