#include "web/header_json.h"

#include <ctime>

#include "base/ascii.h"
#include "base/json_string.h"
#include "base/number.h"
#include "base/text.h"
#include "base/unicode.h"
#include "web/http_date.h"

namespace zub {

namespace {

// The number made of the ASCII digits right after the first `key`, when
// there is at least one and it fits in 64 bits.
std::optional<uint64_t> directive_number(std::string_view cc, std::string_view key) {
  size_t p = cc.find(key);
  if (p == std::string_view::npos) return std::nullopt;
  size_t start = p + key.size(), end = start;
  while (end < cc.size() && is_digit(cc[end])) ++end;
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
  size_t p = json_key_value(json, name);
  while (p < json.size() && (is_json_space(json[p]) || json[p] == '[')) ++p;
  if (p >= json.size() || json[p] != '"') return std::nullopt;
  return json_string_at(json, p);
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
