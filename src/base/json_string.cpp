#include "base/json_string.h"

#include <cstring>

#include "base/ascii.h"
#include "base/utf8.h"

namespace zub {

namespace {

constexpr size_t npos = std::string_view::npos;

// Four hex digits at s[i..i+4); nothing when they are not all there.
std::optional<char32_t> hex4(std::string_view s, size_t i) {
  if (i > s.size() || s.size() - i < 4) return std::nullopt;
  char32_t v = 0;
  for (size_t k = 0; k < 4; ++k) {
    const int d = hex_digit_value(s[i + k]);
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<char32_t>(d);
  }
  return v;
}

char simple_escape(char e) {
  switch (e) {
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return e;
  }
}

size_t skip_json_space(std::string_view s, size_t i) {
  while (i < s.size() && is_json_space(s[i])) ++i;
  return i;
}

}  // namespace

std::optional<std::string> json_string_at(std::string_view text, size_t open, size_t* end) {
  std::string out;
  size_t i = open + 1;
  while (i < text.size()) {
    // Plain runs are copied whole; only quotes and backslashes stop them.
    size_t stop = i;
    while (stop < text.size() && text[stop] != '"' && text[stop] != '\\') ++stop;
    out.append(text, i, stop - i);
    i = stop;
    if (i >= text.size()) break;
    if (text[i] == '"') {
      if (end) *end = i + 1;
      return out;
    }
    if (i + 1 >= text.size()) break;
    const char e = text[i + 1];
    i += 2;
    if (e != 'u') {
      out += simple_escape(e);
      continue;
    }
    std::optional<char32_t> cp = hex4(text, i);
    if (!cp) return std::nullopt;
    i += 4;
    // Characters beyond the basic plane arrive as a surrogate pair; a
    // surrogate alone is no character and becomes U+FFFD.
    if (*cp >= 0xD800 && *cp <= 0xDBFF && i + 1 < text.size() && text[i] == '\\' &&
        text[i + 1] == 'u') {
      std::optional<char32_t> low = hex4(text, i + 2);
      if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
        cp = 0x10000 + ((*cp - 0xD800) << 10) + (*low - 0xDC00);
        i += 6;
      }
    }
    append_utf8(out, *cp >= 0xD800 && *cp <= 0xDFFF ? char32_t{0xFFFD} : *cp);
  }
  return std::nullopt;
}

size_t json_string_end(std::string_view text, size_t open) {
  size_t i = open + 1;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"') return i + 1;
    i += c == '\\' ? 2 : 1;
  }
  return npos;
}

size_t json_key_value(std::string_view json, std::string_view name, size_t from) {
  size_t i = from;
  while (i < json.size()) {
    const void* q = std::memchr(json.data() + i, '"', json.size() - i);
    if (!q) return npos;
    const size_t open = static_cast<size_t>(static_cast<const char*>(q) - json.data());
    const size_t close = json_string_end(json, open);
    if (close == npos) return npos;
    i = close;
    if (close - open - 2 != name.size() || json.compare(open + 1, name.size(), name) != 0) continue;
    const size_t colon = skip_json_space(json, close);
    if (colon < json.size() && json[colon] == ':') return skip_json_space(json, colon + 1);
  }
  return npos;
}

std::optional<std::string> json_string_field(std::string_view json, std::string_view name) {
  for (size_t v = json_key_value(json, name); v != npos; v = json_key_value(json, name, v)) {
    if (v >= json.size() || json[v] != '"') continue;
    if (std::optional<std::string> s = json_string_at(json, v)) return s;
  }
  return std::nullopt;
}

void append_json_quoted(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (u < 0x20) {
      out += "\\u00";
      out += hex_digit(u >> 4, false);
      out += hex_digit(u, false);
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace zub
