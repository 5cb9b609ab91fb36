#include "html/css_hidden_sheet.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/ascii.h"
#include "html/css_hidden.h"

namespace zub {

namespace {

// Calls fn with each name of a class attribute's space-separated list.
template <typename Fn>
void for_each_class_name(std::string_view cls, Fn&& fn) {
  while (!cls.empty()) {
    size_t b = 0;
    while (b < cls.size() && is_html_space(cls[b])) ++b;
    size_t e = b;
    while (e < cls.size() && !is_html_space(cls[e])) ++e;
    if (e > b) fn(cls.substr(b, e - b));
    cls.remove_prefix(e);
  }
}

constexpr size_t npos = std::string_view::npos;

// Sheets nest at-rules this deep at most; deeper blocks are skipped whole.
constexpr int kMaxDepth = 4;
// A chain of more compound selectors than this is not read.
constexpr size_t kMaxChain = 16;
// Compound selectors kept per page: memory stays bounded whatever the
// sheets hold.
constexpr size_t kMaxCompounds = 8192;
constexpr size_t kMaxKey = 96;

char lower(char c) { return is_upper(c) ? static_cast<char>(c + ('a' - 'A')) : c; }

bool is_ident_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// Stand-ins for the escaped ":" and "/" of class names ("sm\:hidden"),
// which an unescaped ":" (a pseudo-class) must not be taken for.
constexpr char kEscapedColon = '\x01';
constexpr char kEscapedSlash = '\x02';

bool is_name_char(char c) { return is_ident_char(c) || c == kEscapedColon || c == kEscapedSlash; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_html_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_html_space(s.back())) s.remove_suffix(1);
  return s;
}

bool eq_ci(std::string_view a, std::string_view lower_b) {
  if (a.size() != lower_b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower_b[i]) return false;
  return true;
}

// True when the white-space separated words of `list` hold `lower_word`.
bool has_word_ci(std::string_view list, std::string_view lower_word) {
  size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && is_html_space(list[i])) ++i;
    const size_t start = i;
    while (i < list.size() && !is_html_space(list[i])) ++i;
    if (i > start && eq_ci(list.substr(start, i - start), lower_word)) return true;
  }
  return false;
}

// The bytes the sheet reader stops at: braces, ";", and what may start a
// comment or a string. Everything else is passed over by one table load.
constexpr uint8_t kBrace = 1, kSemi = 2, kAtom = 4;
constexpr std::array<uint8_t, 256> kSheetByte = [] {
  std::array<uint8_t, 256> t{};
  t['{'] = kBrace;
  t['}'] = kBrace;
  t[';'] = kSemi;
  t['/'] = kAtom;
  t['"'] = kAtom;
  t['\''] = kAtom;
  return t;
}();

// The first byte at or after `from` of one of the kinds, or the end.
size_t find_byte(std::string_view css, size_t from, uint8_t kinds) {
  const auto* p = reinterpret_cast<const unsigned char*>(css.data());
  const size_t n = css.size();
  while (from + 4 <= n && !((kSheetByte[p[from]] | kSheetByte[p[from + 1]] |
                             kSheetByte[p[from + 2]] | kSheetByte[p[from + 3]]) &
                            kinds))
    from += 4;
  while (from < n && !(kSheetByte[p[from]] & kinds)) ++from;
  return from;
}

// The end of a comment or string starting at css[j], or j + 1.
size_t skip_atom(std::string_view css, size_t j) {
  const char c = css[j];
  if (c == '/' && j + 1 < css.size() && css[j + 1] == '*') {
    const size_t end = css.find("*/", j + 2);
    return end == npos ? css.size() : end + 2;
  }
  if (c == '"' || c == '\'') {
    // Most strings (a URL, a font name) hold no escape and no line feed:
    // their end is found by one search.
    const char* p = css.data();
    if (const void* hit = std::memchr(p + j + 1, c, css.size() - j - 1)) {
      const size_t end = static_cast<size_t>(static_cast<const char*>(hit) - p);
      if (!std::memchr(p + j + 1, '\\', end - j - 1) && !std::memchr(p + j + 1, '\n', end - j - 1))
        return end + 1;
    }
    for (size_t k = j + 1; k < css.size(); ++k) {
      if (css[k] == '\\') {
        ++k;
      } else if (css[k] == c || css[k] == '\n') {
        return k + 1;
      }
    }
    return css.size();
  }
  return j + 1;
}

// The position of the "}" that closes a block whose "{" is just before
// `from` (nested blocks, comments and strings skipped), or the end.
// `plain` tells whether the block holds no nested block, comment, string or
// escape: its text is then its declarations as they are.
size_t block_end(std::string_view css, size_t from, bool& plain) {
  // Most blocks hold no brace, comment or string: one search each.
  const char* p = css.data();
  plain = false;
  if (from < css.size()) {
    if (const void* hit = std::memchr(p + from, '}', css.size() - from)) {
      const size_t close = static_cast<size_t>(static_cast<const char*>(hit) - p);
      const size_t len = close - from;
      if (!std::memchr(p + from, '{', len) && !std::memchr(p + from, '"', len) &&
          !std::memchr(p + from, '\'', len) && !std::memchr(p + from, '/', len)) {
        plain = !std::memchr(p + from, '\\', len);
        return close;
      }
    }
  }
  size_t depth = 1;
  for (size_t j = find_byte(css, from, kBrace | kAtom); j < css.size();
       j = find_byte(css, j, kBrace | kAtom)) {
    const char c = css[j];
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth == 0) return j;
    } else {
      j = skip_atom(css, j);
      continue;
    }
    ++j;
  }
  return css.size();
}

// The next of "{", "}" or ";" at or after `from` outside comments and
// strings, or the end.
size_t next_mark(std::string_view css, size_t from) {
  for (size_t j = find_byte(css, from, kBrace | kSemi | kAtom); j < css.size();
       j = find_byte(css, j, kBrace | kSemi | kAtom)) {
    if (kSheetByte[static_cast<unsigned char>(css[j])] != kAtom) return j;
    j = skip_atom(css, j);
  }
  return css.size();
}

// "@media screen", "@media all", "@media only screen, print": the screen a
// reader sees. Queries with conditions are not.
bool media_applies(std::string_view prelude) {
  const std::string q = normalize_css(prelude);
  std::string_view rest = q;
  if (rest.compare(0, 6, "@media") != 0) return false;
  rest.remove_prefix(6);
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    std::string_view part = trim(rest.substr(0, comma));
    if (part.compare(0, 5, "only ") == 0) part = trim(part.substr(5));
    if (part == "screen" || part == "all") return true;
    if (comma == npos) break;
    rest.remove_prefix(comma + 1);
  }
  return false;
}

// The declarations of a rule block before any nested rule.
std::string_view own_declarations(std::string_view body) {
  const size_t nested = body.find('{');
  if (nested == npos) return body;
  const size_t semi = body.rfind(';', nested);
  return semi == npos ? std::string_view() : body.substr(0, semi);
}

}  // namespace

size_t HiddenSelectors::bloom_bit(std::string_view name) {
  if (name.empty()) return 0;
  auto low = [](char c) { return static_cast<unsigned char>(lower(c)); };
  return (name.size() * 131 + low(name[0]) * 31 + low(name.back())) % 256;
}

bool HiddenSelectors::add_selector(std::string_view sel, bool shown) {
  std::vector<Compound> chain;
  std::vector<bool> child;
  const size_t n = sel.size();
  size_t i = 0;
  while (i < n && is_html_space(sel[i])) ++i;
  bool next_child = false;
  auto read_name = [&](bool name_chars) {
    const size_t start = i;
    while (i < n && (name_chars ? is_name_char(sel[i]) : is_ident_char(sel[i]))) ++i;
    std::string name(sel.substr(start, i - start));
    for (char& c : name)
      if (c == kEscapedColon || c == kEscapedSlash) c = c == kEscapedColon ? ':' : '/';
    return name;
  };
  while (i < n) {
    if (chain.size() == kMaxChain) return false;
    Compound c;
    bool any = false;
    if (sel[i] == '*') {
      ++i;
      any = true;
    } else if (is_ident_char(sel[i])) {
      c.tag = read_name(false);
      any = true;
    }
    while (i < n) {
      if (sel[i] == '.' || sel[i] == '#') {
        const bool is_class = sel[i++] == '.';
        std::string name = read_name(true);
        if (name.empty()) return false;
        (is_class ? c.classes : c.ids).push_back(std::move(name));
      } else if (sel[i] == '[') {
        ++i;
        while (i < n && is_html_space(sel[i])) ++i;
        AttrTest t;
        t.name = read_name(false);
        if (t.name.empty()) return false;
        while (i < n && is_html_space(sel[i])) ++i;
        if (i < n && sel[i] != ']') {
          if (sel[i] == '=') {
            t.op = '=';
            ++i;
          } else if (i + 1 < n && sel[i + 1] == '=' &&
                     std::string_view("~|^$*").find(sel[i]) != npos) {
            t.op = sel[i];
            i += 2;
          } else {
            return false;
          }
          while (i < n && is_html_space(sel[i])) ++i;
          if (i < n && (sel[i] == '"' || sel[i] == '\'')) {
            const size_t end = sel.find(sel[i], i + 1);
            if (end == npos) return false;
            t.value = std::string(sel.substr(i + 1, end - i - 1));
            i = end + 1;
          } else {
            t.value = read_name(true);
            if (t.value.empty()) return false;
          }
          while (i < n && is_html_space(sel[i])) ++i;
          if (i < n && (sel[i] == 'i' || sel[i] == 's')) ++i;  // letter case is ignored anyway
          while (i < n && is_html_space(sel[i])) ++i;
        }
        if (i >= n || sel[i] != ']') return false;
        ++i;
        c.attrs.push_back(std::move(t));
      } else {
        break;
      }
      any = true;
    }
    if (!any) return false;
    chain.push_back(std::move(c));
    child.push_back(next_child);
    const size_t before = i;
    while (i < n && is_html_space(sel[i])) ++i;
    if (i >= n) break;
    if (sel[i] == '>') {
      next_child = true;
      ++i;
      while (i < n && is_html_space(sel[i])) ++i;
    } else if (i > before) {
      next_child = false;
    } else {
      return false;  // a pseudo-class, a sibling combinator, anything else
    }
    if (i >= n) return false;
  }
  if (chain.empty() || compounds_.size() + chain.size() > kMaxCompounds ||
      bits_ + chain.size() - 1 > kContextWords * 64)
    return false;
  for (size_t k = 0; k < chain.size(); ++k) {
    Compound& c = chain[k];
    c.first = k == 0;
    c.last = k + 1 == chain.size();
    c.child = child[k];
    c.shown = shown;
    if (!c.last) c.bit = static_cast<uint16_t>(bits_ + k);
    if (!c.first) c.left_bit = static_cast<uint16_t>(bits_ + k - 1);
    compounds_.push_back(std::move(c));
  }
  bits_ += chain.size() - 1;
  if (!shown) ++hiding_;
  return true;
}

void HiddenSelectors::add_selector_list(std::string_view list, bool shown) {
  // Escaped ":" and "/" are marked before the text is normalised; most
  // lists hold no escape and are normalised as they are.
  std::string marked;
  if (list.find('\\') != npos) {
    marked.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
      const char next = i + 1 < list.size() ? list[i + 1] : 0;
      if (list[i] == '\\' && (next == ':' || next == '/')) {
        marked.push_back(next == ':' ? kEscapedColon : kEscapedSlash);
        ++i;
      } else {
        marked.push_back(list[i]);
      }
    }
    list = marked;
  }
  const std::string norm = normalize_css(list);
  const std::string_view s = norm;
  size_t start = 0;
  int depth = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size()) {
      if (s[i] == '(' || s[i] == '[') ++depth;
      if ((s[i] == ')' || s[i] == ']') && depth > 0) --depth;
      if (s[i] != ',' || depth > 0) continue;
    }
    add_selector(s.substr(start, i - start), shown);
    start = i + 1;
  }
}

void HiddenSelectors::read_rules(std::string_view css, size_t& at, int depth, bool applies,
                                 bool& added) {
  const size_t n = css.size();
  while (at < n) {
    at = skip_css_space(css, at);
    if (at >= n) break;
    if (css[at] == '/' && at + 1 < n && css[at + 1] == '*') {
      at = skip_atom(css, at);
      continue;
    }
    if (css[at] == '}') {
      ++at;
      if (depth > 0) return;
      continue;  // a stray closing brace
    }
    const size_t mark = next_mark(css, at);
    if (mark >= n) {
      at = n;
      break;
    }
    if (css[mark] != '{') {
      // "@import ...;", a stray declaration, or a block's end.
      at = css[mark] == ';' ? mark + 1 : mark;
      continue;
    }
    const std::string_view prelude = css.substr(at, mark - at);
    if (css[at] == '@') {
      at = mark + 1;
      if (depth + 1 >= kMaxDepth) {
        bool plain;
        at = std::min(n, block_end(css, at, plain) + 1);
        continue;
      }
      read_rules(css, at, depth + 1, applies && media_applies(prelude), added);
      continue;
    }
    bool plain;
    const size_t close = block_end(css, mark + 1, plain);
    const std::string_view block = css.substr(mark + 1, close - mark - 1);
    const std::string_view body = plain ? block : own_declarations(block);
    at = std::min(n, close + 1);
    if (applies && (plain ? plain_style_hides(body) : style_hides(body, false))) {
      const size_t before = hiding_;
      add_selector_list(prelude, false);
      added |= hiding_ > before;
    }
    if (depth > 0 && style_shows(body)) add_selector_list(prelude, true);
  }
}

bool HiddenSelectors::key_of(const Compound& c, char& kind, std::string_view& name) {
  if (!c.ids.empty()) {
    kind = '#';
    name = c.ids.front();
  } else if (!c.classes.empty()) {
    kind = '.';
    name = c.classes.front();
  } else if (!c.tag.empty()) {
    kind = '<';
    name = c.tag;
  } else {
    return false;
  }
  return name.size() + 1 <= kMaxKey;
}

// By the length and the letters at the ends only: every element of a page
// is noted while the sheets are read.
size_t HiddenSelectors::seen_bit(char kind, std::string_view name) {
  const size_t h = name.size() * 1031 + static_cast<unsigned char>(lower(name.front())) * 37 +
                   static_cast<unsigned char>(lower(name.back())) * 5 +
                   static_cast<unsigned char>(kind);
  return h % kSeenBits;
}

void HiddenSelectors::note_seen(std::string_view tag_name, const TagAttrs& attrs, Seen& seen) {
  auto note = [&](char kind, std::string_view name) {
    if (name.empty()) return;
    const size_t b = seen_bit(kind, name);
    seen[b / 64] |= uint64_t{1} << (b % 64);
  };
  note('<', tag_name);
  note('#', trim(attrs.id));
  for_each_class_name(attrs.cls, [&](std::string_view name) { note('.', name); });
}

bool HiddenSelectors::may_hide_seen(size_t from, const Seen& seen) const {
  for (size_t k = from; k < compounds_.size(); ++k) {
    const Compound& c = compounds_[k];
    if (!c.last || c.shown) continue;
    char kind;
    std::string_view name;
    if (!key_of(c, kind, name)) return true;
    const size_t b = seen_bit(kind, name);
    if ((seen[b / 64] >> (b % 64)) & 1) return true;
  }
  return false;
}

void HiddenSelectors::rebuild_index() {
  // Pages have many small sheets: each adds its own selectors only.
  const size_t from = indexed_;
  indexed_ = compounds_.size();
  for (size_t k = from; k < compounds_.size(); ++k) {
    char kind;
    std::string_view name;
    if (!key_of(compounds_[k], kind, name)) {
      unkeyed_.push_back(static_cast<uint32_t>(k));
      continue;
    }
    std::string key(1, kind);
    key += name;
    const size_t b = bloom_bit(name);
    bloom_[b / 64] |= uint64_t{1} << (b % 64);
    index_[std::move(key)].push_back(static_cast<uint32_t>(k));
  }
}

bool HiddenSelectors::add_sheet(std::string_view css) {
  bool added = false;
  size_t at = 0;
  while (at < css.size()) read_rules(css, at, 0, true, added);
  rebuild_index();
  return added;
}

bool HiddenSelectors::matches(const Compound& c, std::string_view tag_name, std::string_view tag,
                              const TagAttrs& attrs) const {
  if (!c.tag.empty() && c.tag != tag_name) return false;
  for (const std::string& id : c.ids)
    if (!eq_ci(trim(attrs.id), id)) return false;
  for (const std::string& cls : c.classes)
    if (!has_word_ci(attrs.cls, cls)) return false;
  for (const AttrTest& t : c.attrs) {
    std::string_view raw;
    if (!find_tag_attr(tag, t.name, raw)) return false;
    if (t.op == 0) continue;
    std::string v(raw);
    for (char& ch : v) ch = lower(ch);
    const std::string_view w = t.value;
    bool ok = false;
    switch (t.op) {
      case '=': ok = v == w; break;
      case '~': ok = has_word_ci(v, w); break;
      case '|':
        ok =
            v == w || (v.size() > w.size() && v.compare(0, w.size(), w) == 0 && v[w.size()] == '-');
        break;
      case '^': ok = !w.empty() && v.compare(0, w.size(), w) == 0; break;
      case '$':
        ok = !w.empty() && v.size() >= w.size() && v.compare(v.size() - w.size(), w.size(), w) == 0;
        break;
      case '*': ok = !w.empty() && v.find(w) != npos; break;
      default: break;
    }
    if (!ok) return false;
  }
  return true;
}

bool HiddenSelectors::hides(std::string_view tag_name, std::string_view tag, const TagAttrs& attrs,
                            const Context* parent, Context* out, Seen* seen) const {
  if (out) {
    // Only the words that hold bits of chains: the rest stay zero.
    const size_t words = (bits_ + 63) / 64;
    for (size_t w = 0; w < words; ++w) {
      out->self[w] = 0;
      out->below[w] = parent ? parent->below[w] : 0;
    }
  }
  auto note = [&](char kind, std::string_view name) {
    if (name.empty()) return;
    const size_t b = seen_bit(kind, name);
    (*seen)[b / 64] |= uint64_t{1} << (b % 64);
  };
  if (compounds_.empty()) {
    if (seen) note_seen(tag_name, attrs, *seen);
    return false;
  }
  bool hidden = false, shown = false;
  auto visit = [&](uint32_t k) {
    const Compound& c = compounds_[k];
    if (!c.first) {
      if (!parent) return;
      const auto& words = c.child ? parent->self : parent->below;
      if (!((words[c.left_bit / 64] >> (c.left_bit % 64)) & 1)) return;
    }
    if (!c.last && !out) return;
    if (!matches(c, tag_name, tag, attrs)) return;
    if (c.last) {
      (c.shown ? shown : hidden) = true;
    } else {
      out->self[c.bit / 64] |= uint64_t{1} << (c.bit % 64);
      out->below[c.bit / 64] |= uint64_t{1} << (c.bit % 64);
    }
  };
  char key[kMaxKey];
  auto lookup = [&](char kind, std::string_view name) {
    if (seen) note(kind, name);
    if (name.empty() || name.size() + 1 > sizeof key) return;
    const size_t b = bloom_bit(name);
    if (!((bloom_[b / 64] >> (b % 64)) & 1)) return;
    key[0] = kind;
    for (size_t i = 0; i < name.size(); ++i) key[i + 1] = lower(name[i]);
    const std::string_view k(key, name.size() + 1);
    const auto it = index_.find(k);
    if (it != index_.end())
      for (const uint32_t c : it->second) visit(c);
  };
  if (!attrs.id.empty()) lookup('#', trim(attrs.id));
  for_each_class_name(attrs.cls, [&](std::string_view name) { lookup('.', name); });
  lookup('<', tag_name);
  for (const uint32_t k : unkeyed_) visit(k);
  return hidden && !shown;
}

}  // namespace zub
