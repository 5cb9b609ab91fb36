// The two FNV-1a variants. They share the algorithm but not the initial
// value, and must stay separate: stored cache file names depend on one, line
// folding on the other.
#pragma once

#include <cstdint>
#include <string_view>

namespace zub {

inline constexpr uint64_t kFnvPrime = 0x100000001b3ULL;
inline constexpr uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ULL;
inline constexpr uint64_t kFetchKeyBasis = 0x14650fb0739d0383ULL;

// 64-bit FNV-1a with the published offset basis: folds repeated lines.
inline uint64_t line_fingerprint(std::string_view s) {
  uint64_t h = kFnvOffsetBasis;
  for (char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= kFnvPrime;
  }
  return h;
}

// 64-bit FNV-1a started from the fetch cache's own value: names cache files
// and folds repeated markdown blocks.
inline uint64_t fetch_key_hash(std::string_view s) {
  uint64_t h = kFetchKeyBasis;
  for (char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= kFnvPrime;
  }
  return h;
}

}  // namespace zub
