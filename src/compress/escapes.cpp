#include "compress/escapes.h"

#include <cstring>

#include "base/text.h"

namespace zub {

namespace {

constexpr std::string_view kCsi = "\xC2\x9B";

size_t find_esc(std::string_view t, size_t from) {
  if (from >= t.size()) return std::string_view::npos;
  const void* p = std::memchr(t.data() + from, 0x1B, t.size() - from);
  return p ? static_cast<size_t>(static_cast<const char*>(p) - t.data()) : std::string_view::npos;
}

// Finds escape starters with the library's vectorised searches instead of a
// byte loop, remembering the next occurrence of each starter so that the
// rarer one is not searched for again at every sequence.
struct EscapeFinder {
  std::string_view text;
  size_t esc;
  size_t csi;

  explicit EscapeFinder(std::string_view t)
      : text(t), esc(find_esc(t, 0)), csi(find_bytes(t, kCsi, 0)) {}

  // Start of the first sequence at or after `from`, or npos.
  size_t next(size_t from) {
    if (esc != std::string_view::npos && esc < from) esc = find_esc(text, from);
    if (csi != std::string_view::npos && csi < from) csi = find_bytes(text, kCsi, from);
    return esc < csi ? esc : csi;
  }
};

bool is_ascii_letter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

}  // namespace

std::string_view strip_escapes(std::string_view text, std::string& storage) {
  EscapeFinder finder(text);
  size_t at = finder.next(0);
  if (at == std::string_view::npos) return text;
  storage.clear();
  storage.reserve(text.size());
  size_t copied = 0;
  while (at != std::string_view::npos) {
    storage.append(text.substr(copied, at - copied));
    size_t i = at + (static_cast<unsigned char>(text[at]) == 0x1B ? 1 : kCsi.size());
    while (i < text.size() && !is_ascii_letter(static_cast<unsigned char>(text[i]))) ++i;
    copied = i < text.size() ? i + 1 : text.size();
    at = finder.next(copied);
  }
  storage.append(text.substr(copied));
  return storage;
}

}  // namespace zub
