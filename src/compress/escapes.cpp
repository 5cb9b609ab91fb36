#include "compress/escapes.h"

#include <cstring>

#include "base/ascii.h"
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
  // Resumes with positions remembered from an earlier finder.
  EscapeFinder(std::string_view t, size_t e, size_t c) : text(t), esc(e), csi(c) {}

  // Start of the first sequence at or after `from`, or npos.
  size_t next(size_t from) {
    if (esc != std::string_view::npos && esc < from) esc = find_esc(text, from);
    if (csi != std::string_view::npos && csi < from) csi = find_bytes(text, kCsi, from);
    return esc < csi ? esc : csi;
  }
};

// End of the sequence that starts at `at`: one past its closing letter, or
// the end of the text.
size_t sequence_end(std::string_view text, size_t at) {
  size_t i = at + (static_cast<unsigned char>(text[at]) == 0x1B ? 1 : kCsi.size());
  while (i < text.size() && !is_alpha(text[i])) ++i;
  return i < text.size() ? i + 1 : text.size();
}

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
    copied = sequence_end(text, at);
    at = finder.next(copied);
  }
  storage.append(text.substr(copied));
  return storage;
}

CleanLines clean_lines(std::string_view text) {
  CleanLines r;
  EscapeFinder f(text);
  r.text = text;
  r.esc = f.esc;
  r.csi = f.csi;
  return r;
}

bool next_clean_line(CleanLines& r, std::string_view& line) {
  const std::string_view text = r.text;
  EscapeFinder f(text, r.esc, r.csi);
  r.scratch.clear();
  bool spans = false;  // part of the line already sits in scratch
  size_t seg = r.pos;  // start of the current run of kept bytes
  size_t pos = r.pos;
  while (true) {
    const size_t esc = f.next(pos);
    const size_t stop = esc == std::string_view::npos ? text.size() : esc;
    const void* nl = pos < stop ? std::memchr(text.data() + pos, '\n', stop - pos) : nullptr;
    if (nl) {
      const size_t at = static_cast<size_t>(static_cast<const char*>(nl) - text.data());
      if (spans) {
        r.scratch.append(text.substr(seg, at - seg));
        line = r.scratch;
      } else {
        line = text.substr(seg, at - seg);
      }
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      r.pos = at + 1;
      break;
    }
    if (esc == std::string_view::npos) {
      // The rest of the text is the last line when anything is left of it.
      if (spans) {
        r.scratch.append(text.substr(seg));
        line = r.scratch;
      } else {
        line = text.substr(seg);
      }
      r.pos = text.size();
      r.esc = f.esc;
      r.csi = f.csi;
      return !line.empty();
    }
    r.scratch.append(text.substr(seg, esc - seg));
    spans = true;
    pos = seg = sequence_end(text, esc);
  }
  r.esc = f.esc;
  r.csi = f.csi;
  return true;
}

}  // namespace zub
