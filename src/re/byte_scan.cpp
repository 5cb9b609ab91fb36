#include "re/byte_scan.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define ZUB_HAVE_X86 1
#endif

namespace zub {

ByteScan make_byte_scan(const ByteSet& set) {
  ByteScan s;
  // High half-bytes with the same set of low half-bytes share a bit.
  uint16_t group_lows[8] = {};
  size_t groups = 0;
  for (unsigned h = 0; h < 16; ++h) {
    uint16_t lows = 0;
    for (unsigned l = 0; l < 16; ++l)
      if (set.has(static_cast<uint8_t>(h << 4 | l))) lows = static_cast<uint16_t>(lows | 1u << l);
    if (lows == 0) continue;
    size_t g = 0;
    while (g < groups && group_lows[g] != lows) ++g;
    if (g == groups) {
      if (groups < 8)
        ++groups;
      else
        g = h % 8;  // out of bits: share one, which widens both groups
    }
    group_lows[g] = static_cast<uint16_t>(group_lows[g] | lows);
    s.hi[h] = static_cast<uint8_t>(s.hi[h] | 1u << g);
  }
  for (size_t g = 0; g < groups; ++g)
    for (unsigned l = 0; l < 16; ++l)
      if (group_lows[g] >> l & 1) s.lo[l] = static_cast<uint8_t>(s.lo[l] | 1u << g);
  return s;
}

namespace {

inline bool may_hold(const ByteScan& s, uint8_t c) { return (s.lo[c & 15] & s.hi[c >> 4]) != 0; }

#ifdef ZUB_HAVE_X86
const bool kHasAvx2 = __builtin_cpu_supports("avx2");

__attribute__((target("avx2"))) size_t avx2_find(const ByteScan& s, const uint8_t* b, size_t i,
                                                 size_t n) {
  const __m256i lo =
      _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(s.lo)));
  const __m256i hi =
      _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(s.hi)));
  const __m256i low_half = _mm256_set1_epi8(0x0f);
  const __m256i zero = _mm256_setzero_si256();
  for (; i + 32 <= n; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
    const __m256i l = _mm256_shuffle_epi8(lo, _mm256_and_si256(v, low_half));
    const __m256i h = _mm256_shuffle_epi8(hi, _mm256_and_si256(_mm256_srli_epi16(v, 4), low_half));
    const uint32_t none = static_cast<uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_and_si256(l, h), zero)));
    if (none != 0xffffffffu) return i + static_cast<size_t>(__builtin_ctz(~none));
  }
  for (; i < n; ++i)
    if (may_hold(s, b[i])) return i;
  return n;
}
#endif

}  // namespace

size_t byte_scan_find(const ByteScan& s, const uint8_t* b, size_t i, size_t n) {
#ifdef ZUB_HAVE_X86
  if (kHasAvx2) return avx2_find(s, b, i, n);
#endif
  for (; i < n; ++i)
    if (may_hold(s, b[i])) return i;
  return n;
}

bool byte_scan_fast() {
#ifdef ZUB_HAVE_X86
  return kHasAvx2;
#else
  return false;
#endif
}

}  // namespace zub
