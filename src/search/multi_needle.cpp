#include "search/multi_needle.h"

#include <cstring>

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#define ZUB_HAVE_X86 1
#endif

namespace zub {

namespace {

constexpr size_t kNpos = std::string_view::npos;
constexpr size_t kMaxFingerprintNeedles = 8;

inline uint8_t lower(uint8_t c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c;
}
inline bool is_lower_letter(uint8_t c) { return c >= 'a' && c <= 'z'; }

bool verify_at(const Needle& n, const char* h, size_t size, size_t at) {
  const size_t len = n.bytes.size();
  if (len > size - at) return false;
  if (!n.icase) return std::memcmp(h + at, n.bytes.data(), len) == 0;
  for (size_t k = 0; k < len; ++k)
    if (lower(static_cast<uint8_t>(h[at + k])) != static_cast<uint8_t>(n.bytes[k])) return false;
  return true;
}

// Candidate checks cost bytes; when they outgrow the bytes scanned (many
// needles sharing a common prefix, or a text made of near-misses) the rest
// of the text goes to the automaton, whose cost does not depend on them.
struct Budget {
  size_t from;
  size_t spent = 0;
  bool over(size_t pos) const { return spent > 4 * (pos - from) + 4096; }
};

// Checks every needle at `at`, lowest index first.
bool verify_all(const MultiNeedle& m, const char* h, size_t n, size_t at, Budget& b,
                MultiHit& hit) {
  for (size_t k = 0; k < m.needles.size(); ++k) {
    b.spent += m.needles[k].bytes.size();
    if (verify_at(m.needles[k], h, n, at)) {
      hit = {at, k};
      return true;
    }
  }
  return false;
}

// Leftmost match starting at or after `p`, linear in the bytes read: the
// scan goes on past the first match only as long as a longer needle could
// still start before it.
MultiHit automaton_find(const MultiNeedle& m, const char* h, size_t n, size_t p) {
  MultiHit best;
  const uint32_t classes = m.classes;
  uint32_t s = 0;
  for (size_t i = p; i < n; ++i) {
    s = m.delta[s * classes + m.byte_class[static_cast<uint8_t>(h[i])]];
    const uint32_t len = m.out_len[s];
    if (len) {
      const size_t start = i + 1 - len;
      if (start < best.pos || (start == best.pos && m.out_idx[s] < best.which))
        best = {start, m.out_idx[s]};
    }
    if (best.pos != kNpos && i + 1 >= best.pos + m.max_len) break;
  }
  return best;
}

void build_automaton(MultiNeedle& m) {
  uint16_t next_class = 1;
  m.byte_class.fill(0);
  for (const Needle& nd : m.needles) {
    for (char ch : nd.bytes) {
      const uint8_t b = static_cast<uint8_t>(ch);
      if (m.byte_class[b]) continue;
      m.byte_class[b] = next_class;
      if (m.icase && is_lower_letter(b)) m.byte_class[b - 32] = next_class;
      ++next_class;
    }
  }
  m.classes = next_class;
  const uint32_t C = m.classes;
  size_t total = 1;
  for (const Needle& nd : m.needles) total += nd.bytes.size();
  m.delta.assign(total * C, 0);
  m.out_len.assign(total, 0);
  m.out_idx.assign(total, 0);
  uint32_t states = 1;
  for (size_t k = 0; k < m.needles.size(); ++k) {
    uint32_t s = 0;
    for (char ch : m.needles[k].bytes) {
      uint32_t& t = m.delta[s * C + m.byte_class[static_cast<uint8_t>(ch)]];
      if (!t) t = states++;
      s = t;
    }
    const uint32_t len = static_cast<uint32_t>(m.needles[k].bytes.size());
    if (m.out_len[s] != len) {
      m.out_len[s] = len;
      m.out_idx[s] = static_cast<uint32_t>(k);
    }
  }
  m.delta.resize(static_cast<size_t>(states) * C);
  m.out_len.resize(states);
  m.out_idx.resize(states);
  // Breadth-first: failure links, then the missing transitions through them.
  std::vector<uint32_t> fail(states, 0), queue;
  queue.reserve(states);
  for (uint32_t c = 0; c < C; ++c)
    if (uint32_t t = m.delta[c]) queue.push_back(t);
  for (size_t qi = 0; qi < queue.size(); ++qi) {
    const uint32_t s = queue[qi];
    if (!m.out_len[s]) {
      m.out_len[s] = m.out_len[fail[s]];
      m.out_idx[s] = m.out_idx[fail[s]];
    }
    for (uint32_t c = 0; c < C; ++c) {
      uint32_t& t = m.delta[s * C + c];
      const uint32_t via_fail = m.delta[fail[s] * C + c];
      if (t) {
        fail[t] = via_fail;
        queue.push_back(t);
      } else {
        t = via_fail;
      }
    }
  }
}

void build_fingerprints(MultiNeedle& m) {
  m.fp = m.min_len < 3 ? static_cast<unsigned>(m.min_len) : 3;
  for (auto& t : m.lo) t.fill(0);
  for (auto& t : m.hi) t.fill(0);
  for (size_t k = 0; k < m.needles.size(); ++k) {
    const uint8_t bit = static_cast<uint8_t>(1u << k);
    for (unsigned j = 0; j < m.fp; ++j) {
      const uint8_t b = static_cast<uint8_t>(m.needles[k].bytes[j]);
      m.lo[j][b & 15] |= bit;
      m.hi[j][b >> 4] |= bit;
      if (m.icase && is_lower_letter(b)) m.hi[j][static_cast<unsigned>(b - 32) >> 4] |= bit;
    }
  }
}

#ifdef ZUB_HAVE_X86

const bool kHasAvx2 = __builtin_cpu_supports("avx2");

// Scans 32 positions per step from `p`; returns a hit, or in `p` the
// position from which the rest is still to be searched (the tail after the
// full blocks, or where the budget ran out). Each block is loaded once; the
// table results for needle byte j are moved j places along, carrying bytes
// over from the previous block, so a set bit marks where a candidate ends.
template <unsigned FP>
__attribute__((target("avx2"))) bool teddy_avx2(const MultiNeedle& m, const char* h, size_t n,
                                                size_t& p, Budget& b, MultiHit& hit) {
  __m256i lo[FP], hi[FP], prev[FP];
  for (unsigned j = 0; j < FP; ++j) {
    lo[j] = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(m.lo[j].data())));
    hi[j] = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(m.hi[j].data())));
    prev[j] = _mm256_setzero_si256();
  }
  const __m256i nib = _mm256_set1_epi8(0x0f);
  const __m256i zero = _mm256_setzero_si256();
  alignas(32) uint8_t buckets[32];
  const size_t from = p;
  while (p + 32 <= n) {
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(h + p));
    const __m256i ln = _mm256_and_si256(c, nib);
    const __m256i hn = _mm256_and_si256(_mm256_srli_epi16(c, 4), nib);
    __m256i r[FP];
    for (unsigned j = 0; j < FP; ++j)
      r[j] = _mm256_and_si256(_mm256_shuffle_epi8(lo[j], ln), _mm256_shuffle_epi8(hi[j], hn));
    __m256i res = r[FP - 1];
    if constexpr (FP >= 2) {
      const __m256i carry = _mm256_permute2x128_si256(prev[FP - 2], r[FP - 2], 0x21);
      res = _mm256_and_si256(res, _mm256_alignr_epi8(r[FP - 2], carry, 15));
    }
    if constexpr (FP >= 3) {
      const __m256i carry = _mm256_permute2x128_si256(prev[0], r[0], 0x21);
      res = _mm256_and_si256(res, _mm256_alignr_epi8(r[0], carry, 14));
    }
    for (unsigned j = 0; j < FP; ++j) prev[j] = r[j];
    uint32_t mask = ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(res, zero)));
    if (mask) {
      _mm256_store_si256(reinterpret_cast<__m256i*>(buckets), res);
      while (mask) {
        const unsigned i = static_cast<unsigned>(__builtin_ctz(mask));
        mask &= mask - 1;
        const size_t at = p + i - (FP - 1);  // never before `from`: the first carry is empty
        if (b.over(at)) {
          p = at;
          return false;
        }
        for (unsigned bits = buckets[i]; bits; bits &= bits - 1) {
          const unsigned k = static_cast<unsigned>(__builtin_ctz(bits));
          b.spent += m.needles[k].bytes.size();
          if (verify_at(m.needles[k], h, n, at)) {
            hit = {at, k};
            return true;
          }
        }
      }
    }
    p += 32;
  }
  // Candidates ending before p were all checked.
  if (p - from >= FP - 1)
    p -= FP - 1;
  else
    p = from;
  return false;
}

bool pair_sse2(const MultiNeedle& m, const char* h, size_t n, size_t& p, Budget& b, MultiHit& hit) {
  const size_t k_count = m.needles.size();
  __m128i v1[kMaxFingerprintNeedles], v2[kMaxFingerprintNeedles];
  __m128i f1[kMaxFingerprintNeedles], f2[kMaxFingerprintNeedles];
  size_t reach = 0;  // furthest byte offset any needle's pair looks at
  for (size_t k = 0; k < k_count; ++k) {
    const Needle& nd = m.needles[k];
    const uint8_t b1 = static_cast<uint8_t>(nd.bytes[nd.i1]),
                  b2 = static_cast<uint8_t>(nd.bytes[nd.i2]);
    v1[k] = _mm_set1_epi8(static_cast<char>(b1));
    v2[k] = _mm_set1_epi8(static_cast<char>(b2));
    f1[k] = _mm_set1_epi8(m.icase && is_lower_letter(b1) ? 0x20 : 0);
    f2[k] = _mm_set1_epi8(m.icase && is_lower_letter(b2) ? 0x20 : 0);
    if (nd.i2 > reach) reach = nd.i2;
  }
  while (p + reach + 16 <= n) {
    unsigned mask = 0;
    for (size_t k = 0; k < k_count; ++k) {
      const Needle& nd = m.needles[k];
      const __m128i a =
          _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h + p + nd.i1)), f1[k]);
      const __m128i c =
          _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h + p + nd.i2)), f2[k]);
      mask |= static_cast<unsigned>(
          _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, v1[k]), _mm_cmpeq_epi8(c, v2[k]))));
    }
    while (mask) {
      const size_t at = p + static_cast<size_t>(__builtin_ctz(mask));
      mask &= mask - 1;
      if (b.over(at)) {
        p = at;
        return false;
      }
      if (verify_all(m, h, n, at, b, hit)) return true;
    }
    p += 16;
  }
  return false;
}

#endif

}  // namespace

MultiNeedle make_multi_needle(const std::vector<std::string_view>& needles, bool icase) {
  MultiNeedle m;
  m.icase = icase;
  m.min_len = needles.empty() ? 0 : SIZE_MAX;
  for (std::string_view s : needles) {
    m.needles.push_back(make_needle(s, icase));
    m.min_len = s.size() < m.min_len ? s.size() : m.min_len;
    m.max_len = s.size() > m.max_len ? s.size() : m.max_len;
    if (s.empty()) m.has_empty = true;
  }
  build_automaton(m);
  const bool fingerprints = m.needles.size() <= kMaxFingerprintNeedles && m.min_len > 0;
  if (fingerprints) build_fingerprints(m);
  if (m.needles.size() == 1) {
    m.engine = MultiEngine::kSingle;
  } else if (fingerprints) {
#ifdef ZUB_HAVE_X86
    m.engine = kHasAvx2 ? MultiEngine::kTeddyAvx2 : MultiEngine::kPairSse2;
#endif
  }
  return m;
}

std::vector<MultiEngine> multi_engines_available(const MultiNeedle& m) {
  std::vector<MultiEngine> r{m.engine};
  if (m.min_len > 0 && m.needles.size() <= kMaxFingerprintNeedles) {
#ifdef ZUB_HAVE_X86
    if (kHasAvx2 && m.engine != MultiEngine::kTeddyAvx2) r.push_back(MultiEngine::kTeddyAvx2);
    if (m.engine != MultiEngine::kPairSse2) r.push_back(MultiEngine::kPairSse2);
#endif
  }
  if (m.engine != MultiEngine::kAutomaton) r.push_back(MultiEngine::kAutomaton);
  return r;
}

MultiHit multi_find(const MultiNeedle& m, std::string_view hay, size_t from) {
  const char* h = hay.data();
  const size_t n = hay.size();
  if (from > n || m.needles.empty()) return {};
  if (m.has_empty) {
    // Something is found at `from`: the lowest needle that fits there.
    Budget b{from};
    MultiHit hit;
    verify_all(m, h, n, from, b, hit);
    return hit;
  }
  if (m.min_len > n - from) return {};
  size_t p = from;
  MultiHit hit;
  Budget b{from};
  switch (m.engine) {
    case MultiEngine::kSingle: {
      const size_t at = needle_find(m.needles[0], hay, from);
      return at == kNpos ? MultiHit{} : MultiHit{at, 0};
    }
#ifdef ZUB_HAVE_X86
    case MultiEngine::kTeddyAvx2:
      if (m.fp == 1   ? teddy_avx2<1>(m, h, n, p, b, hit)
          : m.fp == 2 ? teddy_avx2<2>(m, h, n, p, b, hit)
                      : teddy_avx2<3>(m, h, n, p, b, hit))
        return hit;
      break;
    case MultiEngine::kPairSse2:
      if (pair_sse2(m, h, n, p, b, hit)) return hit;
      break;
#endif
    default: break;
  }
  // The tail shorter than one vector step, or the rest after the budget ran
  // out: nothing starts in [from, p).
  return automaton_find(m, h, n, p);
}

}  // namespace zub
