#include "html/class_words.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/ascii.h"

namespace zub {

namespace {

constexpr size_t kMaxValueBytes = 256;
constexpr size_t kSlugParts = 4;

enum Kind : uint8_t {
  kContent = 1,  // a main-content word; also shields from side-bar words
  kComment = 2,
  kStrong = 4,  // boilerplate whatever stands beside it
  kWeak = 8,    // boilerplate unless a content word stands beside it
  kShield = 16  // no candidate itself, but shields like a content word
};

enum Where : uint8_t {
  kPrefix,    // at the start of a word of the value
  kWhole,     // a whole word of the value
  kAnywhere,  // anywhere ("sphinxsidebar", "commentlist")
};

struct Word {
  std::string_view text;
  uint8_t kind;
  Where where;
};

// The words of a value start at its start, after a character other than a
// letter or digit, and where a lower-case letter is followed by an
// upper-case one ("articleContent"). Content words must start a word:
// "domain" is no "main".
// clang-format off
constexpr std::array<Word, 62> kWords = {{
    {"content", kContent, kPrefix},   {"article", kContent, kPrefix},  {"entry", kContent, kPrefix},
    {"story", kContent, kPrefix},     {"main", kContent, kPrefix},     {"post", kContent, kPrefix},
    {"bodytext", kContent, kPrefix},  {"body-text", kContent, kPrefix}, {"body_text", kContent, kPrefix},
    {"body", kShield, kPrefix},       {"column", kShield, kPrefix},    {"mathjax", kShield, kPrefix},
    {"comment", kComment, kAnywhere},   {"disqus", kComment, kAnywhere},   {"reply", kComment, kPrefix},
    {"replies", kComment, kPrefix},   {"respond", kComment, kWhole},
    {"related", kStrong, kAnywhere},    {"recommend", kStrong, kAnywhere}, {"share", kStrong, kAnywhere},
    {"sharing", kStrong, kPrefix},    {"social", kStrong, kAnywhere},    {"newsletter", kStrong, kAnywhere},
    {"subscri", kStrong, kPrefix},    {"cookie", kStrong, kAnywhere},    {"gdpr", kStrong, kPrefix},
    {"consent", kStrong, kPrefix},    {"popup", kStrong, kAnywhere},     {"modal", kStrong, kPrefix},
    {"sponsor", kStrong, kAnywhere},    {"promo", kStrong, kPrefix},     {"advert", kStrong, kAnywhere},
    {"ad", kStrong, kWhole},          {"ads", kStrong, kWhole},        {"adsbygoogle", kStrong, kPrefix},
    {"breadcrumb", kStrong, kAnywhere}, {"pagination", kStrong, kAnywhere}, {"pager", kStrong, kPrefix},
    {"gallery", kStrong, kAnywhere},    {"carousel", kStrong, kAnywhere},  {"slideshow", kStrong, kAnywhere},
    {"outbrain", kStrong, kPrefix},   {"taboola", kStrong, kPrefix},   {"tagcloud", kStrong, kPrefix},
    {"sidebar", kWeak, kAnywhere},      {"footer", kWeak, kAnywhere},      {"header", kWeak, kAnywhere},
    {"menu", kWeak, kPrefix},         {"banner", kWeak, kAnywhere},      {"combx", kWeak, kPrefix},
    {"community", kWeak, kPrefix},    {"extra", kWeak, kWhole},        {"remark", kWeak, kPrefix},
    {"rss", kWeak, kWhole},           {"shoutbox", kWeak, kAnywhere},    {"skyscraper", kWeak, kAnywhere},
    {"supplemental", kWeak, kPrefix}, {"agegate", kWeak, kPrefix},     {"masthead", kWeak, kAnywhere},
    {"widget", kWeak, kAnywhere},       {"toolbar", kWeak, kAnywhere},     {"nav", kWeak, kPrefix},
}};
// clang-format on

// What a byte is to the reading of a value: one table look-up instead of
// a chain of comparisons, as every byte of every class and id is read.
enum ByteKind : uint8_t {
  kLowerByte = 1,
  kUpperByte = 2,
  kDigitByte = 4,
  kSpaceByte = 8,
  kJoinByte = 16,  // "-" or "_", which join the words of a slug
};
constexpr uint8_t kAlnumByte = kLowerByte | kUpperByte | kDigitByte;
constexpr std::array<uint8_t, 256> kByteKinds = [] {
  std::array<uint8_t, 256> t{};
  for (size_t c = 0; c < t.size(); ++c) {
    const char ch = static_cast<char>(c);
    if (is_lower(ch))
      t[c] = kLowerByte;
    else if (is_upper(ch))
      t[c] = kUpperByte;
    else if (is_digit(ch))
      t[c] = kDigitByte;
    else if (is_html_space(ch))
      t[c] = kSpaceByte;
    else if (ch == '-' || ch == '_')
      t[c] = kJoinByte;
  }
  return t;
}();
inline uint8_t kind_of(char c) { return kByteKinds[static_cast<unsigned char>(c)]; }

// For each pair of first letters, the words that start with them (indexes
// into kWords, -1 ends the list): most places in a value start no word of
// the list, and those are passed over with one look-up.
// Within a word of the value only the words that match anywhere are tried.
constexpr size_t kMaxPerPair = 8;
constexpr size_t pair_slot(char a, char b) {
  return static_cast<size_t>(a - 'a') * 26 + static_cast<size_t>(b - 'a');
}
struct PairIndex {
  std::array<std::array<int8_t, kMaxPerPair>, 26 * 26> words{};
  constexpr explicit PairIndex(bool anywhere_only) {
    for (auto& list : words)
      for (auto& w : list) w = -1;
    for (size_t i = 0; i < kWords.size(); ++i) {
      if (anywhere_only && kWords[i].where != kAnywhere) continue;
      auto& list = words[pair_slot(kWords[i].text[0], kWords[i].text[1])];
      size_t k = 0;
      while (list[k] >= 0) ++k;
      list[k] = static_cast<int8_t>(i);
    }
  }
};
constexpr PairIndex kIndex(false);
constexpr PairIndex kAnywhereIndex(true);

// Every word of the list starts with two lower-case letters, and no pair
// starts more words than a list holds (the last entry stays -1).
constexpr bool pairs_fit() {
  for (const Word& w : kWords)
    if (w.text.size() < 2 || w.text[0] < 'a' || w.text[0] > 'z' || w.text[1] < 'a' ||
        w.text[1] > 'z')
      return false;
  for (const auto& list : kIndex.words)
    if (list[kMaxPerPair - 1] >= 0) return false;
  return true;
}
static_assert(pairs_fit());

// The kinds of the list's words in one word of a value (a run without
// white space, at most kMaxValueBytes long). No word of the list holds
// white space, so each word of a value is read on its own.
unsigned word_kinds(std::string_view word) {
  char text[kMaxValueBytes + 1];
  bool starts[kMaxValueBytes + 1];
  const size_t len = word.size();
  uint8_t prev = 0;
  for (size_t i = 0; i < len; ++i) {
    const char c = word[i];
    const uint8_t k = kind_of(c);
    starts[i] = (k & kAlnumByte) != 0 &&
                ((prev & kAlnumByte) == 0 || ((prev & kLowerByte) && (k & kUpperByte)));
    text[i] = (k & kUpperByte) ? static_cast<char>(c + ('a' - 'A')) : c;
    prev = k;
  }
  unsigned kinds = 0;
  for (size_t i = 0; i + 1 < len; ++i) {
    const unsigned first = static_cast<unsigned char>(text[i]) - 'a';
    if (first >= 26) continue;
    const unsigned second = static_cast<unsigned char>(text[i + 1]) - 'a';
    if (second >= 26) continue;
    const PairIndex& index = starts[i] ? kIndex : kAnywhereIndex;
    const auto& list = index.words[first * 26 + second];
    if (list[0] < 0) continue;
    for (const int8_t wi : list) {
      if (wi < 0) break;
      const Word& w = kWords[static_cast<size_t>(wi)];
      if (len - i < w.text.size()) continue;
      size_t k = 2;
      while (k < w.text.size() && text[i + k] == w.text[k]) ++k;
      if (k < w.text.size()) continue;
      // A whole word ends where the value's word ends: at a character other
      // than a letter or digit, or at a lower-to-upper case change.
      const size_t end = i + w.text.size();
      if (w.where == kWhole && end < len && is_alnum(text[end]) && !starts[end]) continue;
      kinds |= w.kind;
    }
  }
  return kinds;
}

unsigned value_kinds(std::string_view v) {
  if (v.size() > kMaxValueBytes) v = v.substr(0, kMaxValueBytes);
  const size_t n = v.size();
  unsigned kinds = 0;
  size_t i = 0;
  while (i < n) {
    size_t e = i;
    size_t parts = 1;
    for (; e < n; ++e) {
      const uint8_t k = kind_of(v[e]);
      if (k & kSpaceByte) break;
      if (k & kJoinByte) ++parts;
    }
    // A name of four or more joined words is the slug of a heading
    // ("sharing-with-a-single-developer"), not the element's role. No word
    // of the list is shorter than two letters.
    if (parts < kSlugParts && e - i >= 2) kinds |= word_kinds(v.substr(i, e - i));
    while (e < n && (kind_of(v[e]) & kSpaceByte)) ++e;
    i = e;
  }
  return kinds;
}

}  // namespace

ClassRole class_role(std::string_view cls, std::string_view id) {
  if (cls.empty() && id.empty()) return ClassRole::none;
  const unsigned kinds = value_kinds(cls) | value_kinds(id);
  if (kinds & kComment) return ClassRole::comment;
  if (kinds & kStrong) return ClassRole::boilerplate;
  if (kinds & kContent) return ClassRole::content;
  if ((kinds & kWeak) && !(kinds & kShield)) return ClassRole::boilerplate;
  return ClassRole::none;
}

ClassRole landmark_role(std::string_view role) {
  if (role.empty() || role.size() > 16) return ClassRole::none;
  char buf[16];
  for (size_t i = 0; i < role.size(); ++i) {
    const char c = role[i];
    buf[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
  }
  const std::string_view r(buf, role.size());
  if (r == "main") return ClassRole::content;
  if (r == "navigation" || r == "complementary" || r == "contentinfo" || r == "banner" ||
      r == "search")
    return ClassRole::boilerplate;
  return ClassRole::none;
}

}  // namespace zub
