#include "web/searx_json.h"

#include <optional>

#include "base/text.h"
#include "base/utf8.h"

namespace zub {

namespace {

constexpr size_t npos = std::string_view::npos;

bool is_json_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

size_t skip_space(std::string_view s, size_t i) {
  while (i < s.size() && is_json_space(s[i])) ++i;
  return i;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Four hexadecimal digits at s[i]; nothing when they are not all there.
std::optional<char32_t> hex4(std::string_view s, size_t i) {
  if (i + 4 > s.size()) return std::nullopt;
  char32_t v = 0;
  for (size_t k = 0; k < 4; ++k) {
    const int h = hex_value(s[i + k]);
    if (h < 0) return std::nullopt;
    v = v * 16 + static_cast<char32_t>(h);
  }
  return v;
}

// Decodes the JSON string whose opening quote is at s[open]. Nothing when
// the closing quote is missing.
std::optional<std::string> decode_json_string(std::string_view s, size_t open) {
  std::string out;
  size_t i = open + 1;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '"') return out;
    if (c != '\\') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 >= s.size()) return std::nullopt;
    const char e = s[i + 1];
    i += 2;
    if (e == 'n') {
      out.push_back('\n');
    } else if (e == 't') {
      out.push_back('\t');
    } else if (e == 'u' && hex4(s, i)) {
      char32_t cp = *hex4(s, i);
      i += 4;
      // Characters beyond the basic plane arrive as a surrogate pair; a
      // surrogate alone is no character and becomes U+FFFD.
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 6 <= s.size() && s[i] == '\\' && s[i + 1] == 'u') {
        auto low = hex4(s, i + 2);
        if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
          cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
          i += 6;
        }
      }
      if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
      append_utf8(out, cp);
    } else {
      out.push_back(e);
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string_view> searx_result_objects(std::string_view body) {
  std::vector<std::string_view> objects;
  const size_t key = find_bytes(body, "\"results\"");
  if (key == npos) return objects;
  const size_t open = body.find('[', key + 9);
  if (open == npos) return objects;
  bool in_string = false;
  size_t depth = 0;
  size_t start = 0;
  for (size_t i = open + 1; i < body.size(); ++i) {
    const char c = body[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '{') {
      if (depth == 0) start = i;
      ++depth;
    } else if (c == '}') {
      if (depth == 0) continue;  // a stray brace closes nothing
      if (--depth == 0) objects.push_back(body.substr(start, i + 1 - start));
    } else if (c == ']' && depth == 0) {
      break;
    }
  }
  return objects;
}

std::string json_string_field(std::string_view object, std::string_view key) {
  std::string quoted;
  quoted.reserve(key.size() + 2);
  quoted.push_back('"');
  quoted.append(key);
  quoted.push_back('"');
  for (size_t p = find_bytes(object, quoted); p != npos; p = find_bytes(object, quoted, p + 1)) {
    size_t i = skip_space(object, p + quoted.size());
    if (i >= object.size() || object[i] != ':') continue;
    i = skip_space(object, i + 1);
    if (i >= object.size() || object[i] != '"') continue;
    auto value = decode_json_string(object, i);
    if (value) return *value;
  }
  return {};
}

std::vector<SearchHit> parse_searx_results(std::string_view body) {
  std::vector<SearchHit> hits;
  for (std::string_view object : searx_result_objects(body)) {
    SearchHit hit;
    hit.url = json_string_field(object, "url");
    if (hit.url.size() <= 3 || !starts_with(hit.url, "http")) continue;
    hit.title = json_string_field(object, "title");
    hit.snippet = json_string_field(object, "content");
    hits.push_back(std::move(hit));
  }
  return hits;
}

}  // namespace zub
