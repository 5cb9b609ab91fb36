#include "search/needle.h"

#include <cstring>

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#define ZUB_HAVE_X86 1
#endif

namespace zub {

namespace {

inline uint8_t lower(uint8_t c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c;
}
inline bool is_lower_letter(uint8_t c) { return c >= 'a' && c <= 'z'; }

// Rough frequency rank of bytes in source code and prose: higher is more
// common. Only the order matters.
uint8_t byte_rank(uint8_t c) {
  static constexpr std::string_view kCommon = " etaoinsrlcdh\n\tupmfg_()=;,.ybw\"/:-*>v{}k0x1'<";
  const size_t at = kCommon.find(static_cast<char>(c));
  if (at != std::string_view::npos) return static_cast<uint8_t>(255 - at);
  if (c >= 'a' && c <= 'z') return 190;
  if (c >= 'A' && c <= 'Z') return 150;
  if (c >= '0' && c <= '9') return 160;
  if (c < 0x80) return 100;
  return 60;
}

uint8_t needle_rank(uint8_t c, bool icase) {
  if (icase && is_lower_letter(c)) {
    const uint8_t a = byte_rank(c), b = byte_rank(static_cast<uint8_t>(c - 32));
    return a > b ? a : b;
  }
  return byte_rank(c);
}

// Two-Way search over h[from, size) (Crochemore and Perrin): compares the
// right half of the needle from its critical position, then the left half,
// and shifts by the period so that no text byte is compared more than twice.
template <bool kFold>
size_t two_way(const Needle& n, const char* h, size_t from, size_t size) {
  const uint8_t* nd = reinterpret_cast<const uint8_t*>(n.bytes.data());
  const uint8_t* t = reinterpret_cast<const uint8_t*>(h);
  const size_t m = n.bytes.size();
  const size_t split = n.tw_split, period = n.tw_period;
  auto at = [&](size_t k) { return kFold ? lower(t[k]) : t[k]; };
  if (m > size - from) return std::string_view::npos;
  const size_t last = size - m;
  size_t j = from;
  if (n.tw_periodic) {
    // A known prefix of length `memory` matched at the last shift.
    size_t memory = 0;
    while (j <= last) {
      size_t i = split > memory ? split : memory;
      while (i < m && nd[i] == at(i + j)) ++i;
      if (i >= m) {
        i = split;
        while (i > memory && nd[i - 1] == at(i - 1 + j)) --i;
        if (i <= memory) return j;
        j += period;
        memory = m - period;
      } else {
        j += i - split + 1;
        memory = 0;
      }
    }
  } else {
    while (j <= last) {
      size_t i = split;
      while (i < m && nd[i] == at(i + j)) ++i;
      if (i >= m) {
        i = split;
        while (i > 0 && nd[i - 1] == at(i - 1 + j)) --i;
        if (i == 0) return j;
        j += period;
      } else {
        j += i - split + 1;
      }
    }
  }
  return std::string_view::npos;
}

size_t two_way_from(const Needle& n, const char* h, size_t from, size_t size) {
  return n.icase ? two_way<true>(n, h, from, size) : two_way<false>(n, h, from, size);
}

// The maximal suffix of `x` under the byte order (or its reverse) and the
// period of that suffix; returns the suffix's start.
size_t maximal_suffix(const uint8_t* x, size_t m, bool reversed, size_t& period) {
  size_t ms = 0, j = 1, k = 0;  // candidate start, probe start, offset
  period = 1;
  while (j + k < m) {
    const uint8_t a = x[j + k], b = x[ms + k];
    if (a == b) {
      if (k + 1 == period) {
        j += period;
        k = 0;
      } else {
        ++k;
      }
    } else if ((a < b) != reversed) {
      j += k + 1;
      k = 0;
      period = j - ms;
    } else {
      ms = j;
      ++j;
      k = 0;
      period = 1;
    }
  }
  return ms;
}

void factorize(Needle& n) {
  const uint8_t* x = reinterpret_cast<const uint8_t*>(n.bytes.data());
  const size_t m = n.bytes.size();
  size_t p1 = 1, p2 = 1;
  const size_t s1 = maximal_suffix(x, m, false, p1);
  const size_t s2 = maximal_suffix(x, m, true, p2);
  // The later of the two maximal suffixes starts at a critical position.
  size_t split = s1, period = p1;
  if (s2 > s1) {
    split = s2;
    period = p2;
  }
  n.tw_split = split;
  if (split + period <= m && std::memcmp(x, x + period, split) == 0) {
    n.tw_periodic = true;
    n.tw_period = period;
  } else {
    n.tw_periodic = false;
    n.tw_period = (split > m - split ? split : m - split) + 1;
  }
}

// Compares the needle with the text at `at`: 0 on a match, otherwise the
// number of bytes looked at before the mismatch showed (at least 1).
size_t mismatch_cost(const Needle& n, const char* at) {
  const size_t m = n.bytes.size();
  const char* nd = n.bytes.data();
  if (!n.icase) {
    for (size_t k = 0; k < m; k += 64) {
      const size_t len = m - k < 64 ? m - k : 64;
      if (std::memcmp(at + k, nd + k, len) != 0) return k + len;
    }
    return 0;
  }
  for (size_t k = 0; k < m; ++k)
    if (lower(static_cast<uint8_t>(at[k])) != static_cast<uint8_t>(nd[k])) return k + 1;
  return 0;
}

// Verification work of the candidate-led search. Past a small allowance it
// may not exceed twice the bytes scanned, so a needle that nearly matches
// everywhere cannot make the search quadratic.
struct Work {
  size_t from;
  size_t allowance;
  size_t spent = 0;
  bool over(size_t pos) const { return spent > allowance + 2 * (pos - from); }
};

enum class Verdict { kMismatch, kMatch, kHandOver };

inline Verdict check(const Needle& n, const char* h, size_t cand, Work& w) {
  const size_t cost = mismatch_cost(n, h + cand);
  if (cost == 0) return Verdict::kMatch;
  w.spent += cost;
  return w.over(cand) ? Verdict::kHandOver : Verdict::kMismatch;
}

size_t scalar_find(const Needle& n, const char* h, size_t from, size_t last, Work& w) {
  const uint8_t b1 = static_cast<uint8_t>(n.bytes[n.i1]);
  for (size_t p = from; p <= last; ++p) {
    const uint8_t c = static_cast<uint8_t>(h[p + n.i1]);
    if ((n.icase ? lower(c) : c) != b1) continue;
    const Verdict v = check(n, h, p, w);
    if (v == Verdict::kMatch) return p;
    if (v == Verdict::kHandOver) return two_way_from(n, h, p, last + n.bytes.size());
  }
  return std::string_view::npos;
}

#ifdef ZUB_HAVE_X86

__attribute__((target("avx2"))) size_t avx2_find(const Needle& n, const char* h, size_t from,
                                                 size_t last, Work& w) {
  const uint8_t b1 = static_cast<uint8_t>(n.bytes[n.i1]);
  const uint8_t b2 = static_cast<uint8_t>(n.bytes[n.i2]);
  const __m256i v1 = _mm256_set1_epi8(static_cast<char>(b1));
  const __m256i v2 = _mm256_set1_epi8(static_cast<char>(b2));
  const __m256i f1 = _mm256_set1_epi8(n.icase && is_lower_letter(b1) ? 0x20 : 0);
  const __m256i f2 = _mm256_set1_epi8(n.icase && is_lower_letter(b2) ? 0x20 : 0);
  size_t p = from;
  while (p + 32 <= last + 1) {
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(h + p + n.i1));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(h + p + n.i2));
    a = _mm256_or_si256(a, f1);
    b = _mm256_or_si256(b, f2);
    uint32_t mask = static_cast<uint32_t>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, v1), _mm256_cmpeq_epi8(b, v2))));
    while (mask) {
      const size_t cand = p + static_cast<size_t>(__builtin_ctz(mask));
      const Verdict v = check(n, h, cand, w);
      if (v == Verdict::kMatch) return cand;
      if (v == Verdict::kHandOver) return two_way_from(n, h, cand, last + n.bytes.size());
      mask &= mask - 1;
    }
    p += 32;
  }
  return scalar_find(n, h, p, last, w);
}

size_t sse2_find(const Needle& n, const char* h, size_t from, size_t last, Work& w) {
  const uint8_t b1 = static_cast<uint8_t>(n.bytes[n.i1]);
  const uint8_t b2 = static_cast<uint8_t>(n.bytes[n.i2]);
  const __m128i v1 = _mm_set1_epi8(static_cast<char>(b1));
  const __m128i v2 = _mm_set1_epi8(static_cast<char>(b2));
  const __m128i f1 = _mm_set1_epi8(n.icase && is_lower_letter(b1) ? 0x20 : 0);
  const __m128i f2 = _mm_set1_epi8(n.icase && is_lower_letter(b2) ? 0x20 : 0);
  size_t p = from;
  while (p + 16 <= last + 1) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + p + n.i1));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + p + n.i2));
    a = _mm_or_si128(a, f1);
    b = _mm_or_si128(b, f2);
    unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, v1), _mm_cmpeq_epi8(b, v2))));
    while (mask) {
      const size_t cand = p + static_cast<size_t>(__builtin_ctz(mask));
      const Verdict v = check(n, h, cand, w);
      if (v == Verdict::kMatch) return cand;
      if (v == Verdict::kHandOver) return two_way_from(n, h, cand, last + n.bytes.size());
      mask &= mask - 1;
    }
    p += 16;
  }
  return scalar_find(n, h, p, last, w);
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");

__attribute__((target("avx2"))) size_t avx2_count(const char* p, size_t n, char b) {
  const __m256i v = _mm256_set1_epi8(b);
  size_t i = 0, total = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    total += static_cast<size_t>(
        __builtin_popcount(static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, v)))));
  }
  for (; i < n; ++i) total += p[i] == b;
  return total;
}

#endif

}  // namespace

Needle make_needle(std::string_view bytes, bool icase) {
  Needle n;
  n.icase = icase;
  n.bytes.assign(bytes);
  if (icase)
    for (char& c : n.bytes) c = static_cast<char>(lower(static_cast<uint8_t>(c)));
  if (n.bytes.empty()) return n;
  size_t best = 0;
  for (size_t k = 1; k < n.bytes.size(); ++k)
    if (needle_rank(static_cast<uint8_t>(n.bytes[k]), icase) <
        needle_rank(static_cast<uint8_t>(n.bytes[best]), icase))
      best = k;
  size_t second = best;
  for (size_t k = 0; k < n.bytes.size(); ++k) {
    if (k == best) continue;
    if (second == best || needle_rank(static_cast<uint8_t>(n.bytes[k]), icase) <
                              needle_rank(static_cast<uint8_t>(n.bytes[second]), icase))
      second = k;
  }
  n.i1 = best < second ? best : second;
  n.i2 = best < second ? second : best;
  factorize(n);
  return n;
}

size_t needle_find(const Needle& n, std::string_view hay, size_t from) {
  if (from > hay.size()) return std::string_view::npos;
  const size_t m = n.bytes.size();
  if (m == 0) return from;
  if (m > hay.size() - from) return std::string_view::npos;
  const size_t last = hay.size() - m;  // last start position
  if (m == 1 && !n.icase) {
    const void* hit = std::memchr(hay.data() + from, n.bytes[0], hay.size() - from);
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - hay.data())
               : std::string_view::npos;
  }
  Work w{from, 2 * m + 256};
#ifdef ZUB_HAVE_X86
  if (kHasAvx2) return avx2_find(n, hay.data(), from, last, w);
  return sse2_find(n, hay.data(), from, last, w);
#else
  return scalar_find(n, hay.data(), from, last, w);
#endif
}

size_t needle_find_two_way(const Needle& n, std::string_view hay, size_t from) {
  if (from > hay.size()) return std::string_view::npos;
  if (n.bytes.empty()) return from;
  return two_way_from(n, hay.data(), from, hay.size());
}

size_t count_byte(const char* p, size_t n, char b) {
#ifdef ZUB_HAVE_X86
  if (kHasAvx2) return avx2_count(p, n, b);
#endif
  size_t total = 0;
  for (size_t i = 0; i < n; ++i) total += p[i] == b;
  return total;
}

}  // namespace zub
