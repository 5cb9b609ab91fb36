#include "html/block_classify.h"

#include <algorithm>
#include <array>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

namespace {

// Sorted, for binary search.
// clang-format off
constexpr std::array<std::string_view, 39> kEnglishStopwords = {
    "a",   "all",  "an",    "and",   "are",  "as",   "at",    "be",   "but",  "by",
    "can", "for",  "from",  "have",  "he",   "if",   "in",    "is",   "it",   "no",
    "not", "of",   "on",    "or",    "so",   "that", "the",   "there", "they", "this",
    "to",  "was",  "we",    "when",  "which", "will", "with", "you",  "your"};

constexpr std::array<std::string_view, 22> kKoreanStopwords = {
    "이",   "그",   "저",   "것",   "수",     "등",     "및",   "위해",
    "있는", "하는", "에서", "으로", "에게",   "하고",   "그리고", "하지만",
    "때문", "대한", "있다", "한다", "된다",   "이다"};
// clang-format on

static_assert(std::is_sorted(kEnglishStopwords.begin(), kEnglishStopwords.end()));

bool is_english_stopword(std::string_view word) {
  return std::binary_search(kEnglishStopwords.begin(), kEnglishStopwords.end(), word);
}

size_t count_non_overlapping(std::string_view text, std::string_view needle) {
  size_t count = 0;
  size_t at = find_bytes(text, needle, 0);
  while (at != std::string_view::npos) {
    ++count;
    at = find_bytes(text, needle, at + needle.size());
  }
  return count;
}

// Thresholds of the classifier.
constexpr size_t kShortChars = 60;  // below: a short block
constexpr size_t kUndecidedMaxChars = 240;
constexpr size_t kUndecidedMaxHangul = 24;
constexpr size_t kShortHangulKeep = 15;
constexpr size_t kDataMinChars = 40;
constexpr size_t kDataPercent = 5;
constexpr double kHeadingLinkMax = 0.6;
constexpr double kLinkMax = 0.35;
constexpr double kLongStopwordMin = 0.22;
constexpr double kShortStopwordMin = 0.15;

}  // namespace

BlockStats block_stats(std::string_view t) {
  BlockStats st;
  size_t words = 0;
  size_t english = 0;
  size_t i = 0;
  const size_t n = t.size();
  size_t word_start = 0;
  bool in_word = false;
  bool word_ascii = true;
  auto end_word = [&](size_t end) {
    ++words;
    const size_t len = end - word_start;
    if (word_ascii && len <= 5) {
      char buf[5];
      for (size_t k = 0; k < len; ++k) buf[k] = ascii_lower_char(t[word_start + k]);
      if (is_english_stopword(std::string_view(buf, len))) ++english;
    }
    in_word = false;
  };
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(t[i]);
    const size_t at = i;
    bool alnum;
    bool ascii = c < 0x80;
    if (ascii) {
      ++i;
      alnum = is_alnum(static_cast<char>(c));
      if (c == '"' || c == '{') ++st.quotes_braces;
    } else {
      const char32_t cp = decode_next(t, i);
      alnum = is_alphabetic(cp) || is_numeric(cp);
      if (cp >= 0xAC00 && cp <= 0xD7A3) ++st.hangul;
    }
    ++st.chars;
    if (alnum) {
      if (!in_word) {
        in_word = true;
        word_ascii = true;
        word_start = at;
      }
      if (!ascii) word_ascii = false;
    } else if (in_word) {
      end_word(at);
    }
  }
  if (in_word) end_word(n);
  size_t korean = 0;
  if (st.hangul > 0)
    for (std::string_view w : kKoreanStopwords) korean += count_non_overlapping(t, w);
  if (words > 0)
    st.stopword_share =
        std::min(static_cast<double>(english + korean) / static_cast<double>(words), 1.0);
  return st;
}

Verdict classify_block(const Block& b) {
  if (b.verbatim) return Verdict::keep;
  const std::string_view t = trim_ws(b.plain);
  if (t.empty()) return Verdict::drop;
  const BlockStats st = block_stats(t);
  const size_t c = st.chars;
  // Mostly quotes and braces: serialized data or script text.
  if (c > kDataMinChars && 100 * st.quotes_braces / c >= kDataPercent) return Verdict::drop;
  const double link = static_cast<double>(b.link_chars) / static_cast<double>(c);
  const double s = st.stopword_share;
  if (b.heading) return (link > kHeadingLinkMax || c == 1) ? Verdict::drop : Verdict::keep;
  if (link > kLinkMax) return Verdict::drop;
  if (c >= kShortChars) {
    if (s < kLongStopwordMin && c <= kUndecidedMaxChars && st.hangul <= kUndecidedMaxHangul)
      return Verdict::undecided;
    return Verdict::keep;
  }
  if (b.link_chars > 0) return Verdict::drop;
  if (st.hangul < kShortHangulKeep && s < kShortStopwordMin) return Verdict::drop;
  return Verdict::undecided;
}

std::vector<bool> settle_verdicts(const std::vector<Verdict>& verdicts) {
  const size_t n = verdicts.size();
  // next_keep[i]: the nearest decided verdict after block i is keep.
  std::vector<bool> next_keep(n, false);
  bool next = false;
  for (size_t i = n; i-- > 0;) {
    next_keep[i] = next;
    if (verdicts[i] != Verdict::undecided) next = verdicts[i] == Verdict::keep;
  }
  std::vector<bool> keep(n, false);
  for (size_t i = 0; i < n; ++i) {
    if (verdicts[i] != Verdict::undecided)
      keep[i] = verdicts[i] == Verdict::keep;
    else
      keep[i] = (i > 0 && keep[i - 1]) || next_keep[i];
  }
  return keep;
}

std::vector<bool> classify_blocks(const std::vector<Block>& blocks) {
  std::vector<Verdict> verdicts;
  verdicts.reserve(blocks.size());
  for (const Block& b : blocks) verdicts.push_back(classify_block(b));
  return settle_verdicts(verdicts);
}

std::vector<bool> classify_blocks_simple(const std::vector<Block>& blocks) {
  std::vector<bool> keep;
  keep.reserve(blocks.size());
  for (const Block& b : blocks) {
    if (b.verbatim) {
      keep.push_back(true);
      continue;
    }
    const size_t c = char_count(trim_ws(b.plain));
    const double link =
        static_cast<double>(b.link_chars) / static_cast<double>(std::max<size_t>(c, 1));
    keep.push_back(c > 24 && link < 0.5);
  }
  return keep;
}

}  // namespace zub
