#include "base/utf8.h"

#include "base/ascii.h"

namespace zub {

namespace {

// Length of the well-formed sequence at s[i], or 0 with `bad` set to the
// length of its maximal invalid subpart.
size_t sequence_length(std::string_view s, size_t i, size_t& bad) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  bad = 1;
  if (c < 0x80) return 1;
  size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  for (size_t k = 1; k <= need; ++k) {
    if (i + k >= s.size()) return 0;
    const unsigned char d = b(i + k);
    const unsigned char l = (k == 1) ? lo : 0x80;
    const unsigned char h = (k == 1) ? hi : 0xBF;
    if (d < l || d > h) return 0;
    bad = k + 1;
  }
  return need + 1;
}

}  // namespace

bool is_valid_utf8(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    // Fast path over ASCII, 32 bytes at a time (the compiler vectorises the
    // four loads), then eight at a time.
    while (i + 32 <= n) {
      uint64_t w[4];
      __builtin_memcpy(w, s.data() + i, 32);
      if ((w[0] | w[1] | w[2] | w[3]) & 0x8080808080808080ULL) break;
      i += 32;
    }
    while (i + 8 <= n) {
      uint64_t w;
      __builtin_memcpy(&w, s.data() + i, 8);
      if (w & 0x8080808080808080ULL) break;
      i += 8;
    }
    if (i >= n) break;
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    size_t bad;
    const size_t len = sequence_length(s, i, bad);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

char32_t decode_next(std::string_view s, size_t& i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  size_t bad;
  const size_t len = sequence_length(s, i, bad);
  if (len == 0) {
    i += bad;
    return 0xFFFD;
  }
  char32_t cp;
  switch (len) {
    case 1: cp = b(i); break;
    case 2: cp = static_cast<char32_t>(((b(i) & 0x1F) << 6) | (b(i + 1) & 0x3F)); break;
    case 3:
      cp = static_cast<char32_t>(((b(i) & 0x0F) << 12) | ((b(i + 1) & 0x3F) << 6) |
                                 (b(i + 2) & 0x3F));
      break;
    default:
      cp = static_cast<char32_t>(((b(i) & 0x07) << 18) | ((b(i + 1) & 0x3F) << 12) |
                                 ((b(i + 2) & 0x3F) << 6) | (b(i + 3) & 0x3F));
  }
  i += len;
  return cp;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

namespace {

// `s` with its valid sequences copied and each maximal invalid subpart
// handed to `bad` (the output and the subpart's bytes) to write in its place.
template <class Bad>
std::string rewrite_invalid(std::string_view s, Bad bad) {
  if (is_valid_utf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + 16);
  size_t i = 0;
  while (i < s.size()) {
    size_t bad_len;
    const size_t len = sequence_length(s, i, bad_len);
    if (len == 0) {
      bad(out, s.substr(i, bad_len));
      i += bad_len;
    } else {
      out.append(s.substr(i, len));
      i += len;
    }
  }
  return out;
}

}  // namespace

std::string decode_lossy(std::string_view s) {
  return rewrite_invalid(s, [](std::string& out, std::string_view) { out.append("\xEF\xBF\xBD"); });
}

std::string escape_invalid_bytes(std::string_view s) {
  return rewrite_invalid(s, [](std::string& out, std::string_view bytes) {
    for (const char b : bytes) {
      const auto c = static_cast<unsigned char>(b);
      out.append("\\x");
      out.push_back(hex_digit(c >> 4, true));
      out.push_back(hex_digit(c, true));
    }
  });
}

size_t floor_char_boundary(std::string_view s, size_t i) {
  if (i >= s.size()) return s.size();
  while (i > 0 && !is_char_boundary(s, i)) --i;
  return i;
}

size_t ceil_char_boundary(std::string_view s, size_t i) {
  if (i >= s.size()) return s.size();
  while (i < s.size() && !is_char_boundary(s, i)) ++i;
  return i;
}

std::string_view byte_cut(std::string_view s, size_t k) {
  return s.substr(0, floor_char_boundary(s, k));
}

size_t char_count(std::string_view s) {
  size_t n = 0;
  for (char c : s)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

size_t char_offset(std::string_view s, size_t chars) {
  size_t seen = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (seen == chars) return i;
      ++seen;
    }
  }
  return s.size();
}

}  // namespace zub
