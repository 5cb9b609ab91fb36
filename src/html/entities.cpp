#include "html/entities.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "base/ascii.h"
#include "base/utf8.h"

namespace zub {

namespace {

// A reference name is at most 9 bytes, so its ";" lies within 10 bytes of
// the "&".
constexpr size_t kMaxRefSpan = 10;

bool is_scalar(uint32_t cp) { return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

// "#N" or "#xH" (lower-case x). At most 8 digits fit in a 9-byte name, so
// the value cannot overflow.
bool numeric_reference(std::string_view name, uint32_t& cp) {
  if (name.size() < 2 || name[0] != '#') return false;
  uint32_t v = 0;
  if (name[1] == 'x') {
    if (name.size() < 3) return false;
    for (size_t i = 2; i < name.size(); ++i) {
      int d = hex_digit_value(name[i]);
      if (d < 0) return false;
      v = v * 16 + static_cast<uint32_t>(d);
    }
  } else {
    for (size_t i = 1; i < name.size(); ++i) {
      if (!is_digit(name[i])) return false;
      v = v * 10 + static_cast<uint32_t>(name[i] - '0');
    }
  }
  if (!is_scalar(v)) return false;
  cp = v;
  return true;
}

// Appends the text of reference `name` (between "&" and ";"); false when the
// name is not one we decode.
bool append_reference(std::string& out, std::string_view name) {
  switch (name.size()) {
    case 2:
      if (name == "lt") return out.push_back('<'), true;
      if (name == "gt") return out.push_back('>'), true;
      break;
    case 3:
      if (name == "amp") return out.push_back('&'), true;
      if (name == "#39") return out.push_back('\''), true;
      break;
    case 4:
      if (name == "quot") return out.push_back('"'), true;
      if (name == "apos") return out.push_back('\''), true;
      if (name == "nbsp" || name == "#160") return out.push_back(' '), true;
      if (name == "#x27") return out.push_back('\''), true;
      break;
    case 5:
      if (name == "mdash") return out.push_back('-'), true;
      if (name == "ndash") return out.append("\xE2\x80\x93"), true;
      break;
    case 6:
      if (name == "hellip") return out.append("\xE2\x80\xA6"), true;
      break;
    default: break;
  }
  uint32_t cp;
  if (!numeric_reference(name, cp)) return false;
  append_utf8(out, static_cast<char32_t>(cp));
  return true;
}

}  // namespace

void append_decoded(std::string& out, std::string_view s) {
  const char* base = s.data();
  const size_t n = s.size();
  size_t pos = 0;
  while (pos < n) {
    const void* hit = std::memchr(base + pos, '&', n - pos);
    if (!hit) break;
    const size_t amp = static_cast<size_t>(static_cast<const char*>(hit) - base);
    const size_t limit = amp + kMaxRefSpan < n - 1 ? amp + kMaxRefSpan : n - 1;
    size_t semi = amp + 1;
    while (semi <= limit && s[semi] != ';') ++semi;
    if (semi <= limit) {
      out.append(base + pos, amp - pos);
      if (append_reference(out, s.substr(amp + 1, semi - amp - 1))) {
        pos = semi + 1;
        continue;
      }
      // Unrecognised: keep the "&" and look for references after it, so
      // that "&x&lt;" still decodes its second half.
      out.push_back('&');
      pos = amp + 1;
      continue;
    }
    out.append(base + pos, amp + 1 - pos);
    pos = amp + 1;
  }
  out.append(base + pos, n - pos);
}

std::string decode_entities(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  append_decoded(out, s);
  return out;
}

namespace {

// Each byte as it stands in a tag name (letters lower-cased, digits as they
// are), or 0 for a byte that ends the name: one load per byte of every tag.
constexpr std::array<char, 256> kTagNameByte = [] {
  std::array<char, 256> t{};
  for (int c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    if (is_upper(ch))
      t[static_cast<size_t>(c)] = static_cast<char>(ch + ('a' - 'A'));
    else if (is_lower(ch) || is_digit(ch))
      t[static_cast<size_t>(c)] = ch;
  }
  return t;
}();

}  // namespace

size_t read_tag_name(std::string_view html, size_t lt, char* name) {
  const char* p = html.data();
  size_t i = lt + 1;
  const size_t n = html.size();
  while (i < n && p[i] == '/') ++i;
  const size_t stop = n - i < 32 ? n : i + 32;
  size_t len = 0;
  for (; i < stop; ++i) {
    const char c = kTagNameByte[static_cast<unsigned char>(p[i])];
    if (c == 0) break;
    name[len++] = c;
  }
  name[len] = '\0';
  return len;
}

std::string strip_tags(std::string_view html) {
  std::string text;
  text.reserve(html.size());
  const size_t n = html.size();
  size_t pos = 0;
  while (pos < n) {
    size_t lt = html.find('<', pos);
    if (lt == std::string_view::npos) {
      text.append(html.substr(pos));
      break;
    }
    text.append(html.substr(pos, lt - pos));
    char name[33];
    const std::string_view tag(name, read_tag_name(html, lt, name));
    if (tag == "a" || tag == "p" || tag == "br" || tag == "li" || tag == "h1" || tag == "h2" ||
        tag == "h3" || tag == "div" || tag == "span")
      text.push_back('\n');
    size_t gt = html.find('>', lt + 1);
    pos = gt == std::string_view::npos ? n : gt + 1;
  }
  return decode_entities(text);
}

}  // namespace zub
