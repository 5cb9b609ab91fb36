#include "base/shown_path.h"

#include "base/ascii.h"
#include "base/utf8.h"

namespace zub {

namespace {

// True when `path` is valid UTF-8 without control characters, so it is
// printed as it is.
bool plain(std::string_view path) {
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (c < 0x20 || c == 0x7F || is_c1_control_at(path, i)) return false;
  }
  return is_valid_utf8(path);
}

void append_hex(std::string& out, unsigned v, int digits) {
  for (int k = digits - 1; k >= 0; --k) out.push_back(hex_digit(v >> (4 * k), false));
}

}  // namespace

void append_shown_path(std::string& out, std::string_view path) {
  if (plain(path)) {
    out.append(path);
    return;
  }
  size_t i = 0;
  while (i < path.size()) {
    const char32_t cp = decode_next(path, i);
    if (cp == '\n') {
      out.append("\\n");
    } else if (cp == '\r') {
      out.append("\\r");
    } else if (cp == '\t') {
      out.append("\\t");
    } else if (cp < 0x20 || cp == 0x7F) {
      out.append("\\x");
      append_hex(out, static_cast<unsigned>(cp), 2);
    } else if (cp >= 0x80 && cp < 0xA0) {
      out.append("\\u");
      append_hex(out, static_cast<unsigned>(cp), 4);
    } else {
      append_utf8(out, cp);
    }
  }
}

std::string shown_path(std::string_view path) {
  std::string out;
  append_shown_path(out, path);
  return out;
}

}  // namespace zub
