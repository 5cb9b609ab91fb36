#include "html/class_words.h"

#include <array>
#include <cstddef>
#include <cstdint>

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

struct Word {
  std::string_view text;
  uint8_t kind;
  bool whole;  // the whole word only, not a prefix of a longer one
};

// Each word matches at the start of a word of the value: after its start,
// a character other than a letter or digit, or a lower-case letter followed
// by an upper-case one ("articleContent").
// clang-format off
constexpr std::array<Word, 62> kWords = {{
    {"content", kContent, false},   {"article", kContent, false},  {"entry", kContent, false},
    {"story", kContent, false},     {"main", kContent, false},     {"post", kContent, false},
    {"bodytext", kContent, false},  {"body-text", kContent, false}, {"body_text", kContent, false},
    {"body", kShield, false},       {"column", kShield, false},    {"mathjax", kShield, false},
    {"comment", kComment, false},   {"disqus", kComment, false},   {"reply", kComment, false},
    {"replies", kComment, false},   {"respond", kComment, true},
    {"related", kStrong, false},    {"recommend", kStrong, false}, {"share", kStrong, false},
    {"sharing", kStrong, false},    {"social", kStrong, false},    {"newsletter", kStrong, false},
    {"subscri", kStrong, false},    {"cookie", kStrong, false},    {"gdpr", kStrong, false},
    {"consent", kStrong, false},    {"popup", kStrong, false},     {"modal", kStrong, false},
    {"sponsor", kStrong, false},    {"promo", kStrong, false},     {"advert", kStrong, false},
    {"ad", kStrong, true},          {"ads", kStrong, true},        {"adsbygoogle", kStrong, false},
    {"breadcrumb", kStrong, false}, {"pagination", kStrong, false}, {"pager", kStrong, false},
    {"gallery", kStrong, false},    {"carousel", kStrong, false},  {"slideshow", kStrong, false},
    {"outbrain", kStrong, false},   {"taboola", kStrong, false},   {"tagcloud", kStrong, false},
    {"sidebar", kWeak, false},      {"footer", kWeak, false},      {"header", kWeak, false},
    {"menu", kWeak, false},         {"banner", kWeak, false},      {"combx", kWeak, false},
    {"community", kWeak, false},    {"extra", kWeak, true},        {"remark", kWeak, false},
    {"rss", kWeak, true},           {"shoutbox", kWeak, false},    {"skyscraper", kWeak, false},
    {"supplemental", kWeak, false}, {"agegate", kWeak, false},     {"masthead", kWeak, false},
    {"widget", kWeak, false},       {"toolbar", kWeak, false},     {"nav", kWeak, false},
}};
// clang-format on

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool is_alnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct Lowered {
  char text[2 * kMaxValueBytes + 2];
  bool starts[2 * kMaxValueBytes + 2];
  size_t size = 0;

  void add(std::string_view v) {
    if (v.size() > kMaxValueBytes) v = v.substr(0, kMaxValueBytes);
    size_t i = 0;
    while (i < v.size()) {
      size_t e = i;
      size_t parts = 1;
      for (; e < v.size() && !is_space(v[e]); ++e)
        if (v[e] == '-' || v[e] == '_') ++parts;
      // A name of four or more joined words is the slug of a heading
      // ("sharing-with-a-single-developer"), not the element's role.
      if (parts < kSlugParts) add_word(v.substr(i, e - i));
      while (e < v.size() && is_space(v[e])) ++e;
      i = e;
    }
  }

  void add_word(std::string_view w) {
    if (size + w.size() + 1 > sizeof text) return;
    for (size_t i = 0; i < w.size(); ++i) {
      const char c = w[i];
      const char prev = i == 0 ? ' ' : w[i - 1];
      starts[size] = is_alnum(c) && (!is_alnum(prev) || (prev >= 'a' && prev <= 'z' &&
                                                         c >= 'A' && c <= 'Z'));
      text[size++] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    }
    starts[size] = false;
    text[size++] = ' ';
  }
};

}  // namespace

ClassRole class_role(std::string_view cls, std::string_view id) {
  if (cls.empty() && id.empty()) return ClassRole::none;
  Lowered l;
  l.add(cls);
  l.add(id);
  unsigned kinds = 0;
  for (size_t i = 0; i < l.size; ++i) {
    if (!l.starts[i]) continue;
    const std::string_view rest(l.text + i, l.size - i);
    for (const Word& w : kWords) {
      if (w.text[0] != rest[0] || rest.compare(0, w.text.size(), w.text) != 0) continue;
      // A word ends where the value's word ends: at a character other than
      // a letter or digit, or at a lower-to-upper case change.
      const size_t end = i + w.text.size();
      if (w.whole && end < l.size && is_alnum(l.text[end]) && !l.starts[end]) continue;
      kinds |= w.kind;
    }
  }
  if (kinds & kComment) return ClassRole::comment;
  if (kinds & kStrong) return ClassRole::boilerplate;
  if (kinds & kContent) return ClassRole::content;
  if ((kinds & kWeak) && !(kinds & kShield)) return ClassRole::boilerplate;
  return ClassRole::none;
}

}  // namespace zub
