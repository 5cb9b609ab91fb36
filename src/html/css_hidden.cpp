#include "html/css_hidden.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

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

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

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
  // Nothing here lengthens the text: the output is written in place of a
  // copy and cut to its length at the end.
  std::string out(in.size(), '\0');
  size_t w = 0;
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
    out[w++] = c;
  }
  out.resize(w);
  return out;
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

// A colour as red, green, blue and alpha (0 to 255 each).
struct Colour {
  int r = 0, g = 0, b = 0, a = 255;
};

// clang-format off
constexpr std::pair<std::string_view, uint32_t> kNamedColours[] = {
    {"black", 0x000000}, {"white", 0xffffff}, {"red", 0xff0000},    {"lime", 0x00ff00},
    {"blue", 0x0000ff},  {"yellow", 0xffff00}, {"cyan", 0x00ffff},  {"aqua", 0x00ffff},
    {"magenta", 0xff00ff}, {"fuchsia", 0xff00ff}, {"gray", 0x808080}, {"grey", 0x808080},
    {"silver", 0xc0c0c0}, {"maroon", 0x800000}, {"green", 0x008000}, {"navy", 0x000080},
    {"olive", 0x808000}, {"purple", 0x800080}, {"teal", 0x008080},  {"orange", 0xffa500}};
// clang-format on

// A number of a colour function: "12", "50%" (of `full`), ".5" (an alpha).
bool colour_number(std::string_view& v, double full, double& out) {
  while (!v.empty() && (is_html_space(v.front()) || v.front() == ',' || v.front() == '/'))
    v.remove_prefix(1);
  double x;
  std::string_view unit;
  if (!parse_number(v, x, unit)) return false;
  if (!unit.empty() && unit.front() == '%') {
    x = x * full / 100;
    unit.remove_prefix(1);
  }
  v = unit;
  out = x;
  return true;
}

// One colour value, lower case, without white space at its ends: a name,
// "transparent", #rgb[a], #rrggbb[aa], rgb[a](...) or, for its alpha only,
// hsl[a](...). False for anything else (currentcolor, variables...).
bool parse_colour(std::string_view v, Colour& c, bool& hue_only) {
  hue_only = false;
  if (v == "transparent") {
    c = {0, 0, 0, 0};
    return true;
  }
  for (const auto& [name, rgb] : kNamedColours)
    if (v == name) {
      c = {static_cast<int>(rgb >> 16), static_cast<int>((rgb >> 8) & 0xff),
           static_cast<int>(rgb & 0xff), 255};
      return true;
    }
  if (!v.empty() && v.front() == '#') {
    v.remove_prefix(1);
    int d[8];
    for (size_t i = 0; i < v.size(); ++i)
      if (i >= 8 || (d[i] = hex_digit(v[i])) < 0) return false;
    if (v.size() == 3 || v.size() == 4) {
      c = {d[0] * 17, d[1] * 17, d[2] * 17, v.size() == 4 ? d[3] * 17 : 255};
      return true;
    }
    if (v.size() == 6 || v.size() == 8) {
      c = {d[0] * 16 + d[1], d[2] * 16 + d[3], d[4] * 16 + d[5],
           v.size() == 8 ? d[6] * 16 + d[7] : 255};
      return true;
    }
    return false;
  }
  const bool rgb = v.compare(0, 4, "rgb(") == 0 || v.compare(0, 5, "rgba(") == 0;
  const bool hsl = v.compare(0, 4, "hsl(") == 0 || v.compare(0, 5, "hsla(") == 0;
  if (!rgb && !hsl) return false;
  v.remove_prefix(v.find('(') + 1);
  double ch[3];
  for (double& x : ch) {
    if (hsl) {
      // A hue may carry a unit ("120deg"); only the alpha is read.
      while (!v.empty() && (is_html_space(v.front()) || v.front() == ',')) v.remove_prefix(1);
      while (!v.empty() && !is_html_space(v.front()) && v.front() != ',' && v.front() != '/' &&
             v.front() != ')')
        v.remove_prefix(1);
      x = 0;
    } else if (!colour_number(v, 255, x)) {
      return false;
    }
  }
  double alpha = 1;
  while (!v.empty() && is_html_space(v.front())) v.remove_prefix(1);
  if (!v.empty() && v.front() != ')' && !colour_number(v, 1, alpha)) return false;
  auto clamp = [](double x, double hi) { return x < 0 ? 0 : x > hi ? hi : x; };
  c = {static_cast<int>(clamp(ch[0], 255) + 0.5), static_cast<int>(clamp(ch[1], 255) + 0.5),
       static_cast<int>(clamp(ch[2], 255) + 0.5), static_cast<int>(clamp(alpha, 1) * 255 + 0.5)};
  hue_only = hsl;
  return true;
}

// The first colour among the words of a value ("#fff url(x) no-repeat"),
// words inside parentheses kept together.
bool first_colour(std::string_view value, Colour& c, bool& hue_only) {
  size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && is_html_space(value[i])) ++i;
    const size_t start = i;
    int depth = 0;
    while (i < value.size() && (depth > 0 || !is_html_space(value[i]))) {
      if (value[i] == '(') ++depth;
      if (value[i] == ')' && depth > 0) --depth;
      ++i;
    }
    char buf[kMaxValue];
    const std::string_view word = value.substr(start, i - start);
    if (word.empty() || word.size() > sizeof buf) continue;
    for (size_t k = 0; k < word.size(); ++k) buf[k] = ascii_lower(word[k]);
    if (parse_colour(std::string_view(buf, word.size()), c, hue_only)) return true;
  }
  return false;
}

// The font size of a font shorthand ("italic bold 0/0 a", "0 serif"): the
// word before "/", else the first length.
bool font_size_zero(std::string_view value) {
  std::string_view prev;
  size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && is_html_space(value[i])) ++i;
    const size_t start = i;
    while (i < value.size() && !is_html_space(value[i]) && value[i] != ',') ++i;
    std::string_view word = value.substr(start, i - start);
    if (i < value.size() && value[i] == ',') break;  // the family list has begun
    if (word.empty()) continue;
    const size_t slash = word.find('/');
    if (slash != npos) return is_zero(slash == 0 ? prev : word.substr(0, slash));
    double x;
    std::string_view unit;
    if (parse_number(word, x, unit) && (x == 0 || !unit.empty())) return x == 0;
    prev = word;
  }
  return false;
}

// The properties declarations_hide reads, and a filter over them by length
// and end letters: most declarations of a sheet (margins, borders, fonts)
// are passed over before their values are read.
constexpr std::string_view kReadProps[] = {"display",
                                           "visibility",
                                           "content-visibility",
                                           "font-size",
                                           "font",
                                           "opacity",
                                           "filter",
                                           "color",
                                           "background",
                                           "background-color",
                                           "background-clip",
                                           "-webkit-background-clip",
                                           "-webkit-text-fill-color",
                                           "text-shadow",
                                           "-webkit-text-stroke",
                                           "width",
                                           "height",
                                           "max-width",
                                           "max-height",
                                           "overflow",
                                           "overflow-x",
                                           "overflow-y",
                                           "position",
                                           "left",
                                           "top",
                                           "right",
                                           "bottom",
                                           "margin-left",
                                           "margin-top",
                                           "text-indent",
                                           "clip",
                                           "clip-path",
                                           "transform"};

// Letter case does not matter: a name is looked up before it is lower-cased.
constexpr size_t prop_bit(std::string_view p) {
  auto low = [](char c) {
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  };
  return (p.size() * 7 + low(p.front()) * 3 + low(p.back())) % 256;
}

constexpr std::array<uint64_t, 4> kPropFilter = [] {
  std::array<uint64_t, 4> f{};
  for (std::string_view p : kReadProps) f[prop_bit(p) / 64] |= uint64_t{1} << (prop_bit(p) % 64);
  return f;
}();

// Below this alpha (of 255) a colour cannot be read.
constexpr int kMinAlpha = 26;
// Channels that differ by no more than this in sum read as one colour.
constexpr int kSameColour = 6;

// The declarations of CSS text without comments or escapes.
bool declarations_hide(std::string_view css) {
  bool tiny_box = false, clips = false, positioned = false, far = false;
  // Text in its background's colour, or in no colour, unless the
  // background or a shadow paints the letters.
  bool has_colour = false, has_background = false, paints_text = false;
  bool colour_hue_only = false, background_hue_only = false;
  Colour colour, background;
  std::string_view background_value;
  const char* const base = css.data();
  const size_t n = css.size();
  size_t at = 0;
  while (at < n) {
    // One declaration: its property name, without the white space around
    // it, is passed over by the filter before the value is looked at.
    at = skip_css_space(css, at);
    const void* semi = at < n ? std::memchr(base + at, ';', n - at) : nullptr;
    const size_t end = semi ? static_cast<size_t>(static_cast<const char*>(semi) - base) : n;
    const void* found = at < end ? std::memchr(base + at, ':', end - at) : nullptr;
    const size_t name_start = at;
    at = end + 1;
    if (!found) continue;
    const size_t colon = static_cast<size_t>(static_cast<const char*>(found) - base);
    size_t name_end = colon;
    while (name_end > name_start && is_html_space(base[name_end - 1])) --name_end;
    const std::string_view prop_raw(base + name_start, name_end - name_start);
    char prop_buf[32];
    if (prop_raw.empty() || prop_raw.size() > sizeof prop_buf) continue;
    if (const size_t bit = prop_bit(prop_raw); !((kPropFilter[bit / 64] >> (bit % 64)) & 1))
      continue;
    for (size_t k = 0; k < prop_raw.size(); ++k) prop_buf[k] = ascii_lower(prop_raw[k]);
    const std::string_view prop(prop_buf, prop_raw.size());
    const std::string_view decl = css.substr(0, end);
    // The value lower-cased, without white space and without "!important";
    // no value that hides is longer than the buffer.
    std::string_view raw = decl.substr(colon + 1);
    if (const size_t bang = raw.find('!'); bang != npos) raw = raw.substr(0, bang);
    char value[kMaxValue];
    size_t len = 0;
    for (const char c : raw) {
      if (is_html_space(c)) continue;
      if (len == kMaxValue) break;
      value[len++] = ascii_lower(c);
    }
    const std::string_view v(value, len);
    if (prop == "display") {
      if (v == "none") return true;
    } else if (prop == "visibility" || prop == "content-visibility") {
      if (v == "hidden" || (v == "collapse" && prop == "visibility")) return true;
    } else if (prop == "font-size") {
      if (is_zero(v)) return true;
    } else if (prop == "font") {
      if (font_size_zero(raw)) return true;
    } else if (prop == "opacity") {
      double x;
      std::string_view unit;
      if (parse_number(v, x, unit) && (unit == "%" ? x / 100 : x) < kMinOpacity) return true;
    } else if (prop == "filter") {
      for (size_t f = v.find("opacity("); f != npos; f = v.find("opacity(", f + 8)) {
        double x;
        std::string_view unit;
        if (parse_number(v.substr(f + 8), x, unit) &&
            (unit.compare(0, 1, "%") == 0 ? x / 100 : x) < kMinOpacity)
          return true;
      }
    } else if (prop == "color" || prop == "-webkit-text-fill-color") {
      has_colour = first_colour(raw, colour, colour_hue_only) || has_colour;
    } else if (prop == "background" || prop == "background-color") {
      background_value = raw;  // read only when there is a colour to compare
      if (prop == "background" && v.find("text") != npos) paints_text = true;
    } else if (prop == "background-clip" || prop == "-webkit-background-clip") {
      if (v == "text") paints_text = true;
    } else if (prop == "text-shadow" || prop == "-webkit-text-stroke") {
      if (v != "none" && !is_zero(v)) paints_text = true;
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
  if (has_colour && !paints_text) {
    if (colour.a < kMinAlpha) return true;
    has_background =
        background_value.data() && first_colour(background_value, background, background_hue_only);
    if (has_background && !colour_hue_only && !background_hue_only && background.a == 255 &&
        std::abs(colour.r - background.r) + std::abs(colour.g - background.g) +
                std::abs(colour.b - background.b) <=
            kSameColour)
      return true;
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

}  // namespace

size_t skip_css_space(std::string_view css, size_t at) {
  // Style sheets are indented with runs of spaces after each line feed:
  // those are passed eight and four at a time.
  constexpr uint64_t kSpaces8 = 0x2020202020202020ULL;
  constexpr uint32_t kSpaces4 = 0x20202020U;
  const size_t n = css.size();
  while (at < n && is_html_space(css[at])) {
    ++at;
    uint64_t w8;
    while (at + 8 <= n && (std::memcpy(&w8, css.data() + at, 8), w8 == kSpaces8)) at += 8;
    uint32_t w4;
    if (at + 4 <= n && (std::memcpy(&w4, css.data() + at, 4), w4 == kSpaces4)) at += 4;
  }
  return at;
}

bool plain_style_hides(std::string_view declarations) { return declarations_hide(declarations); }

bool style_hides(std::string_view declarations, bool decode_refs) {
  // Most style attributes are plain CSS without comments, escapes or
  // references: read them as they are (letter case is read on the way).
  const bool plain = declarations.find('\\') == npos &&
                     (!decode_refs || declarations.find('&') == npos) &&
                     declarations.find("/*") == npos;
  if (plain) return declarations_hide(declarations);
  return declarations_hide(normalize(declarations, decode_refs));
}

bool style_shows(std::string_view declarations) {
  // Only a display declaration shows: most rule blocks have none, and most
  // of the rest are read as written (a "DISPLAY" in capitals is not taken
  // as showing: the element then stays hidden, which leaks nothing).
  if (declarations.find('\\') == npos && declarations.find("/*") == npos)
    return declarations.find("isplay") != npos && declarations_show(declarations);
  return declarations_show(normalize(declarations, false));
}

std::string normalize_css(std::string_view css) { return normalize(css, false); }

}  // namespace zub
