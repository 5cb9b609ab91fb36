#include "web/header_json.h"

#include <ctime>

#include "base/number.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "web/http_date.h"

namespace zub {

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Four hex digits at s[i..i+4); -1 when they are not all hex.
long read_hex4(std::string_view s, size_t i) {
  long v = 0;
  for (size_t k = 0; k < 4; ++k) {
    int d = hex_digit(s[i + k]);
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v;
}

// The number made of the ASCII digits right after the first `key`, when
// there is at least one and it fits in 64 bits.
std::optional<uint64_t> directive_number(std::string_view cc, std::string_view key) {
  size_t p = cc.find(key);
  if (p == std::string_view::npos) return std::nullopt;
  size_t start = p + key.size(), end = start;
  while (end < cc.size() && cc[end] >= '0' && cc[end] <= '9') ++end;
  if (end == start) return std::nullopt;
  return parse_u64(cc.substr(start, end - start));
}

// A server lifetime must never read back as the "no lifetime" marker.
uint64_t cap_lifetime(uint64_t v) { return v == kNoLifetime ? kNoLifetime - 1 : v; }

std::optional<int64_t> header_date(std::string_view json, std::string_view name) {
  auto v = header_value(json, name);
  if (!v) return std::nullopt;
  return parse_http_date(*v);
}

// a - b clamped to [0, kNoLifetime - 1].
uint64_t positive_difference(int64_t a, int64_t b) {
  if (a <= b) return 0;
  return cap_lifetime(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

}  // namespace

std::optional<std::string> header_value(std::string_view json, std::string_view name) {
  std::string key;
  key.reserve(name.size() + 3);
  key += '"';
  key += name;
  key += "\":";
  size_t p = find_bytes(json, key);
  if (p == std::string_view::npos) return std::nullopt;
  p += key.size();
  while (p < json.size() && (json[p] == ' ' || json[p] == '\t' || json[p] == '\n' ||
                             json[p] == '\r' || json[p] == '['))
    ++p;
  if (p >= json.size() || json[p] != '"') return std::nullopt;
  ++p;

  std::string out;
  while (p < json.size()) {
    char c = json[p];
    if (c == '"') return out;
    if (c != '\\') {
      out += c;
      ++p;
      continue;
    }
    if (p + 1 >= json.size()) return std::nullopt;
    char e = json[p + 1];
    p += 2;
    if (e == 'n') {
      out += '\n';
    } else if (e == 't') {
      out += '\t';
    } else if (e == 'u') {
      if (json.size() - p < 4) return std::nullopt;
      long cp = read_hex4(json, p);
      if (cp < 0) return std::nullopt;
      p += 4;
      // A high surrogate directly followed by an escaped low one is a pair;
      // any other surrogate is not a character and adds nothing.
      if (cp >= 0xD800 && cp <= 0xDBFF && json.size() - p >= 6 && json[p] == '\\' &&
          json[p + 1] == 'u') {
        long lo = read_hex4(json, p + 2);
        if (lo >= 0xDC00 && lo <= 0xDFFF) {
          cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          p += 6;
        }
      }
      if (cp < 0xD800 || (cp > 0xDFFF && cp <= 0x10FFFF))
        append_utf8(out, static_cast<char32_t>(cp));
    } else {
      out += e;
    }
  }
  return std::nullopt;
}

Freshness freshness_from_headers(std::string_view json, int64_t now) {
  Freshness f;
  std::string cc = ascii_lower(header_value(json, "cache-control").value_or(std::string()));
  if (contains(cc, "no-store")) {
    f.may_store = false;
    return f;
  }
  if (contains(cc, "immutable")) {
    f.lifetime = 2592000;
    return f;
  }
  if (contains(cc, "no-cache")) {
    f.lifetime = 0;
    return f;
  }
  std::optional<uint64_t> v = directive_number(cc, "s-maxage=");
  if (!v) v = directive_number(cc, "max-age=");
  if (v) {
    uint64_t age = 0;
    if (auto a = header_value(json, "age")) age = parse_u64(trim_ws(*a)).value_or(0);
    f.lifetime = age > *v ? 0 : cap_lifetime(*v - age);
    return f;
  }
  auto date = header_date(json, "date");
  if (auto expires = header_date(json, "expires")) {
    f.lifetime = positive_difference(*expires, date ? *date : now);
    return f;
  }
  auto modified = header_date(json, "last-modified");
  if (date && modified) f.lifetime = positive_difference(*date, *modified) / 10;
  return f;
}

Freshness freshness_from_headers(std::string_view json) {
  return freshness_from_headers(json, static_cast<int64_t>(std::time(nullptr)));
}

}  // namespace zub
