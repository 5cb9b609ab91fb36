#include "base/elide.h"

#include "base/utf8.h"

namespace zub {

uint64_t append_elided(std::string& out, std::string_view line, uint64_t w, bool* shortened) {
  if (shortened) *shortened = false;
  if (line.size() <= w) {
    out.append(line);
    return 0;
  }
  // floor(7w/10) without the overflow of 7*w for huge widths.
  const uint64_t h = (w / 10) * 7 + (w % 10) * 7 / 10;
  const uint64_t t = w - h;
  const size_t head_end = floor_char_boundary(line, static_cast<size_t>(h));
  const size_t tail_start = ceil_char_boundary(line, line.size() - static_cast<size_t>(t));
  const uint64_t removed = tail_start >= head_end ? tail_start - head_end : 0;
  out.append(line.substr(0, head_end));
  out.append("\xE2\x80\xA6");
  out.append(std::to_string(removed));
  out.append("c\xE2\x80\xA6");
  out.append(line.substr(tail_start));
  if (shortened) *shortened = true;
  return removed;
}

std::string elide_line(std::string_view line, uint64_t w) {
  std::string out;
  append_elided(out, line, w);
  return out;
}

}  // namespace zub
