#include "hook/event_fields.h"

#include "base/text.h"
#include "base/unicode.h"

namespace zub {

namespace {

// Decodes the string whose opening quote is at text[open]. An unterminated
// string runs to the end of the text.
std::string string_at(std::string_view text, size_t open) {
  std::string value;
  size_t i = open + 1;
  while (i < text.size()) {
    char c = text[i];
    if (c == '"') break;
    if (c != '\\') {
      value += c;
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;
    char e = text[i + 1];
    value += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
    i += 2;
  }
  return value;
}

}  // namespace

std::optional<std::string> event_field(std::string_view json, std::string_view name) {
  std::string needle;
  needle.reserve(name.size() + 2);
  needle += '"';
  needle += name;
  needle += '"';
  size_t from = 0;
  while (true) {
    size_t at = find_bytes(json, needle, from);
    if (at == std::string_view::npos) return std::nullopt;
    from = at + needle.size();
    size_t colon = json.find(':', from);
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view rest = trim_ws_start(json.substr(colon + 1));
    if (!rest.empty() && rest[0] == '"') return string_at(json, json.size() - rest.size());
  }
}

}  // namespace zub
