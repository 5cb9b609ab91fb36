#include "html/css_hidden.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "base/ascii.h"
#include "html/entities.h"

namespace zub {

namespace {

constexpr size_t npos = std::string_view::npos;

// A box offset at least this far off the page (in CSS pixels, or the same
// in em at 16 pixels) shows nothing on any screen.
constexpr double kFarPixels = 500;
constexpr double kPixelsPerEm = 16;
// Below this opacity text cannot be read.
constexpr double kMinOpacity = 0.1;
constexpr size_t kMaxValue = 64;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Lower case, without comments and with CSS escapes resolved (escapes of
// characters beyond ASCII become "?", which no keyword holds), and for an
// attribute value with its character references decoded first.
std::string normalize(std::string_view in, bool decode_refs) {
  std::string decoded;
  if (decode_refs && in.find('&') != npos) {
    decoded = decode_entities(in);
    // Two references that CSS text may hide behind and the shared table
    // does not hold.
    for (const auto& [ref, ch] :
         {std::pair<std::string_view, char>{"&colon;", ':'}, {"&semi;", ';'}})
      for (size_t at = decoded.find(ref); at != npos; at = decoded.find(ref, at))
        decoded.replace(at, ref.size(), 1, ch);
    in = decoded;
  }
  std::string out;
  out.reserve(in.size());
  const size_t n = in.size();
  for (size_t i = 0; i < n;) {
    char c = in[i];
    if (c == '/' && i + 1 < n && in[i + 1] == '*') {
      const size_t end = in.find("*/", i + 2);
      i = end == npos ? n : end + 2;
      continue;
    }
    if (c == '\\' && i + 1 < n) {
      ++i;
      uint32_t cp = 0;
      size_t digits = 0;
      while (i < n && digits < 6) {
        const int d = hex_digit(in[i]);
        if (d < 0) break;
        cp = cp * 16 + static_cast<uint32_t>(d);
        ++digits;
        ++i;
      }
      if (digits > 0) {
        if (i < n && is_html_space(in[i])) ++i;  // one white space ends a hex escape
        c = cp > 0 && cp < 0x80 ? static_cast<char>(cp) : '?';
      } else if (in[i] == '\n') {
        ++i;
        continue;
      } else {
        c = in[i++];
      }
    } else {
      ++i;
    }
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    out.push_back(c);
  }
  return out;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_html_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_html_space(s.back())) s.remove_suffix(1);
  return s;
}

// A number with its unit ("-9999px", ".5", "0%"); false when the value does
// not start with a number.
bool parse_number(std::string_view v, double& num, std::string_view& unit) {
  size_t i = 0;
  bool neg = false;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) neg = v[i++] == '-';
  double x = 0;
  bool any = false;
  while (i < v.size() && v[i] >= '0' && v[i] <= '9') {
    x = x * 10 + (v[i++] - '0');
    any = true;
  }
  if (i < v.size() && v[i] == '.') {
    double scale = 0.1;
    for (++i; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i, scale /= 10) {
      x += (v[i] - '0') * scale;
      any = true;
    }
  }
  if (!any) return false;
  num = neg ? -x : x;
  unit = v.substr(i);
  return true;
}

bool is_zero(std::string_view v) {
  double x;
  std::string_view unit;
  return parse_number(v, x, unit) && x == 0;
}

// At most one pixel: a box that shows no text.
bool is_tiny(std::string_view v) {
  double x;
  std::string_view unit;
  if (!parse_number(v, x, unit)) return false;
  return x == 0 || (unit == "px" && x <= 1);
}

// An offset that puts the box off every screen.
bool is_far(std::string_view v) {
  double x;
  std::string_view unit;
  if (!parse_number(v, x, unit)) return false;
  if (unit == "px") return x <= -kFarPixels;
  if (unit == "em" || unit == "rem") return x * kPixelsPerEm <= -kFarPixels;
  if (unit == "vw" || unit == "vh" || unit == "%") return x <= -100;
  return false;
}

// Every number in a clip rectangle is at most one pixel: nothing shows.
bool clips_all(std::string_view v) {
  if (v.compare(0, 5, "rect(") != 0) return false;
  v.remove_prefix(5);
  size_t count = 0;
  while (!v.empty() && v.front() != ')') {
    if (v.front() == ',') {
      v.remove_prefix(1);
      continue;
    }
    double x;
    std::string_view unit;
    if (!parse_number(v, x, unit) || x > 1) return false;
    ++count;
    const size_t next = unit.find_first_of(",)");
    if (next == npos) return false;
    v = unit.substr(next);
  }
  return count > 0;
}

bool is_one_of(std::string_view v, std::initializer_list<std::string_view> words) {
  for (std::string_view w : words)
    if (v == w) return true;
  return false;
}

// The declarations of normalized CSS text (lower case, no comments).
bool declarations_hide(std::string_view css) {
  bool tiny_box = false, clips = false, positioned = false, far = false;
  size_t start = 0;
  while (start <= css.size()) {
    size_t end = css.find(';', start);
    if (end == npos) end = css.size();
    const std::string_view decl = css.substr(start, end - start);
    start = end + 1;
    const size_t colon = decl.find(':');
    if (colon == npos) continue;
    const std::string_view prop = trim(decl.substr(0, colon));
    // The value without white space and without "!important"; no value
    // that hides is longer than the buffer.
    char value[kMaxValue];
    size_t len = 0;
    for (const char c : decl.substr(colon + 1)) {
      if (c == '!') break;
      if (is_html_space(c)) continue;
      if (len == kMaxValue) break;
      value[len++] = c;
    }
    const std::string_view v(value, len);
    if (prop == "display") {
      if (v == "none") return true;
    } else if (prop == "visibility") {
      if (v == "hidden" || v == "collapse") return true;
    } else if (prop == "font-size") {
      if (is_zero(v)) return true;
    } else if (prop == "opacity") {
      double x;
      std::string_view unit;
      if (parse_number(v, x, unit) && (unit == "%" ? x / 100 : x) < kMinOpacity) return true;
    } else if (is_one_of(prop, {"width", "height", "max-width", "max-height"})) {
      if (is_tiny(v)) tiny_box = true;
    } else if (is_one_of(prop, {"overflow", "overflow-x", "overflow-y"})) {
      if (v == "hidden" || v == "clip") clips = true;
    } else if (prop == "position") {
      if (v == "absolute" || v == "fixed") positioned = true;
    } else if (is_one_of(prop, {"left", "top", "right", "bottom"})) {
      if (is_far(v)) far = true;
    } else if (is_one_of(prop, {"margin-left", "margin-top", "text-indent"})) {
      if (is_far(v)) return true;
    } else if (prop == "clip") {
      if (clips_all(v)) return true;
    } else if (prop == "clip-path") {
      if (v.compare(0, 6, "inset(") == 0) {
        double x;
        std::string_view unit;
        if (parse_number(v.substr(6), x, unit) && unit.compare(0, 1, "%") == 0 && x >= 50)
          return true;
      }
      if (v.compare(0, 7, "circle(") == 0 && is_zero(v.substr(7))) return true;
    } else if (prop == "transform") {
      for (std::string_view f : {"scale(", "scalex(", "scaley("})
        if (v.compare(0, f.size(), f) == 0 && is_zero(v.substr(f.size()))) return true;
    }
  }
  return (tiny_box && clips) || (positioned && far);
}

// A display value other than none: the element is shown.
bool declarations_show(std::string_view css) {
  for (size_t at = css.find("display"); at != npos; at = css.find("display", at + 7)) {
    size_t i = at + 7;
    while (i < css.size() && is_html_space(css[i])) ++i;
    if (i >= css.size() || css[i] != ':') continue;
    ++i;
    while (i < css.size() && is_html_space(css[i])) ++i;
    if (css.compare(i, 4, "none") != 0) return true;
  }
  return false;
}

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool is_ident_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool has(const std::vector<std::string>& set, std::string_view key) {
  return std::binary_search(set.begin(), set.end(), key, std::less<>());
}

// Lower-cases `word` into `buf` (at most its size); false when too long.
template <size_t N>
bool lower_into(std::string_view word, char (&buf)[N], std::string_view& out) {
  if (word.size() > N) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    buf[i] = c;
  }
  out = std::string_view(buf, word.size());
  return true;
}

}  // namespace

bool style_hides(std::string_view declarations, bool decode_refs) {
  // Most style attributes are plain lower-case CSS: read them as they are.
  bool plain = true;
  for (const char c : declarations)
    if ((c >= 'A' && c <= 'Z') || c == '\\' || c == '/' || c == '&') {
      plain = false;
      break;
    }
  if (plain) return declarations_hide(declarations);
  return declarations_hide(normalize(declarations, decode_refs));
}

void HiddenSelectors::add_selector(std::string_view sel, bool shown) {
  sel = trim(sel);
  size_t i = 0;
  while (i < sel.size() && is_ident_char(sel[i])) ++i;
  const std::string_view tag = sel.substr(0, i);
  if (i >= sel.size() || (sel[i] != '.' && sel[i] != '#')) return;
  const bool is_class = sel[i] == '.';
  const std::string_view name = sel.substr(i + 1);
  if (name.empty()) return;
  for (char c : name)
    if (!is_ident_char(c)) return;
  std::string key = tag.empty() ? std::string(name) : std::string(tag) + '\t' + std::string(name);
  if (shown) {
    if (is_class) shown_classes_.push_back(std::move(key));
  } else {
    (is_class ? classes_ : ids_).push_back(std::move(key));
  }
}

// Letter case does not matter: a word is looked up before it is lower-cased.
size_t HiddenSelectors::bloom_bit(std::string_view name) {
  if (name.empty()) return 0;
  auto lower = [](char c) {
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  };
  return (name.size() * 131 + lower(name[0]) * 31 + lower(name.back())) % 256;
}

void HiddenSelectors::add_selectors(std::string_view list, bool shown) {
  for (size_t p = 0; p <= list.size();) {
    size_t comma = list.find(',', p);
    if (comma == npos) comma = list.size();
    add_selector(list.substr(p, comma - p), shown);
    p = comma + 1;
  }
}

// True when the selector list holds a simple selector (.c, #i, tag.c,
// tag#i): only then do the rule's declarations matter.
bool has_simple_selector(std::string_view list) {
  for (size_t p = 0; p <= list.size();) {
    size_t comma = list.find(',', p);
    if (comma == npos) comma = list.size();
    const std::string_view sel = trim(list.substr(p, comma - p));
    size_t i = 0;
    while (i < sel.size() && is_ident_char(ascii_lower(sel[i]))) ++i;
    if (i + 1 < sel.size() && (sel[i] == '.' || sel[i] == '#')) {
      size_t j = i + 1;
      while (j < sel.size() && is_ident_char(ascii_lower(sel[j]))) ++j;
      if (j == sel.size()) return true;
    }
    p = comma + 1;
  }
  return false;
}

bool HiddenSelectors::add_sheet(std::string_view css) {
  const size_t before = classes_.size() + ids_.size();
  const size_t n = css.size();
  // The sheet is read as written; only the selectors and declarations of
  // rules that could matter are normalized. Rules at the top level hide;
  // rules one level inside an at-rule only count when they display
  // something again.
  auto skip_comment = [&](size_t j) {
    const size_t end = css.find("*/", j + 2);
    return end == npos ? n : end + 2;
  };
  size_t at = 0;
  while (at < n) {
    while (at < n && is_html_space(css[at])) ++at;
    if (at >= n) break;
    if (css[at] == '/' && at + 1 < n && css[at + 1] == '*') {
      at = skip_comment(at);
      continue;
    }
    if (css[at] == '}') {
      ++at;  // a stray closing brace
      continue;
    }
    const size_t open = css.find('{', at);
    if (css[at] == '@') {
      // Searched only up to the block, so that a sheet of many at-rules
      // stays linear.
      const std::string_view head = css.substr(at, open == npos ? npos : open - at);
      if (const size_t semi = head.find(';'); semi != npos) {
        at += semi + 1;  // @import, @charset
        continue;
      }
    }
    if (open == npos) break;
    const std::string_view prelude = css.substr(at, open - at);
    if (css[at] == '@') {
      // Skip the at-rule's block, reading only the display rules of the
      // level right inside it.
      size_t depth = 1;
      size_t j = open + 1;
      size_t sel_start = j;   // where the current inner rule's selectors start
      size_t rule_start = j;  // the "{" of the current inner rule
      for (; j < n && depth > 0; ++j) {
        if (css[j] == '/' && j + 1 < n && css[j + 1] == '*') {
          j = skip_comment(j) - 1;
          continue;
        }
        if (css[j] == '{') {
          if (depth == 1) rule_start = j;
          ++depth;
        } else if (css[j] == '}') {
          if (--depth == 1) {
            const std::string_view sels = css.substr(sel_start, rule_start - sel_start);
            if (rule_start > sel_start && has_simple_selector(sels) &&
                declarations_show(normalize(css.substr(rule_start + 1, j - rule_start - 1), false)))
              add_selectors(normalize(sels, false), true);
            sel_start = j + 1;
          }
        }
      }
      at = j;
      continue;
    }
    size_t close = css.find('}', open + 1);
    if (close == npos) close = n;
    if (has_simple_selector(prelude) && style_hides(css.substr(open + 1, close - open - 1), false))
      add_selectors(normalize(prelude, false), false);
    at = close + 1;
  }
  const bool added = classes_.size() + ids_.size() > before;
  for (auto* set : {&classes_, &ids_, &shown_classes_}) {
    std::sort(set->begin(), set->end());
    set->erase(std::unique(set->begin(), set->end()), set->end());
  }
  bloom_.fill(0);
  for (const auto* set : {&classes_, &ids_})
    for (const std::string& key : *set) {
      const size_t tab = key.find('\t');
      const size_t b = bloom_bit(tab == npos ? key : std::string_view(key).substr(tab + 1));
      bloom_[b / 64] |= uint64_t{1} << (b % 64);
    }
  return added;
}

bool HiddenSelectors::hides(std::string_view tag_name, const TagAttrs& attrs) const {
  if (empty()) return false;
  char key_buf[96];
  char word_buf[64];
  auto matches = [&](const std::vector<std::string>& set, std::string_view word) {
    if (word.size() > sizeof word_buf) return false;
    // The filter needs only the length and the end letters: most words are
    // ruled out before they are lower-cased.
    if (&set != &shown_classes_) {
      const size_t b = bloom_bit(word);
      if (!(bloom_[b / 64] & (uint64_t{1} << (b % 64)))) return false;
    }
    std::string_view w;
    if (!lower_into(word, word_buf, w)) return false;
    if (has(set, w)) return true;
    if (tag_name.size() + 1 + w.size() > sizeof key_buf) return false;
    std::copy(tag_name.begin(), tag_name.end(), key_buf);
    key_buf[tag_name.size()] = '\t';
    std::copy(w.begin(), w.end(), key_buf + tag_name.size() + 1);
    return has(set, std::string_view(key_buf, tag_name.size() + 1 + w.size()));
  };
  bool hidden = !attrs.id.empty() && matches(ids_, trim(attrs.id));
  bool shown = false;
  std::string_view cls = attrs.cls;
  while (!cls.empty()) {
    size_t b = 0;
    while (b < cls.size() && is_html_space(cls[b])) ++b;
    size_t e = b;
    while (e < cls.size() && !is_html_space(cls[e])) ++e;
    const std::string_view word = cls.substr(b, e - b);
    cls.remove_prefix(e);
    if (word.empty()) continue;
    if (!hidden && matches(classes_, word)) hidden = true;
    if (!shown_classes_.empty() && matches(shown_classes_, word)) shown = true;
  }
  return hidden && !shown;
}

}  // namespace zub
