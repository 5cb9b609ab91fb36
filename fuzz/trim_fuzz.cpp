// trim never crashes; once it compresses, the output ends in a line feed and
// written lines plus dropped duplicates, blanks, diff header lines and
// deleted files' lines equal the input's lines. The first byte picks the
// width so elision is exercised too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text.h"
#include "compress/trim.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint64_t width = data[0] % 64;
  std::string_view in(reinterpret_cast<const char*>(data + 1), size - 1);
  // Repeat small inputs so the compressing path is reached often.
  std::string grown(in);
  while (!in.empty() && grown.size() < 2048 && (data[0] & 0x80)) grown += in;
  const std::string out = zub::trim(grown, width);
  if (grown.size() < 2048) {
    if (out != grown) std::abort();
    return 0;
  }
  if (out.empty() || out.back() != '\n') std::abort();
  uint64_t dups = 0, cut = 0, blanks = 0, w = 0, heads = 0, deleted = 0;
  std::string_view body = out;
  const size_t diff_note = out.rfind("[zub trim: diff ");
  if (diff_note != std::string::npos && (diff_note == 0 || out[diff_note - 1] == '\n') &&
      std::sscanf(out.c_str() + diff_note,
                  "[zub trim: diff 의 index·---·+++ 머리줄 %lu개, 지운 파일 본문 %lu줄 뺐다]",
                  &heads, &deleted) == 2 &&
      out.find('\n', diff_note) == out.size() - 1) {
    body = std::string_view(out).substr(0, diff_note);
  }
  const size_t note = body.rfind("[zub trim: ");
  if (note != std::string::npos && (note == 0 || body[note - 1] == '\n') &&
      std::sscanf(
          out.c_str() + note,
          "[zub trim: %lu dup lines collapsed, %lu chars over %lu-col cut, %lu blank lines]", &dups,
          &cut, &w, &blanks) == 4 &&
      w == width && body.find('\n', note) == body.size() - 1) {
    body = body.substr(0, note);
  }
  size_t written = 0;
  for (char c : body) written += (c == '\n');
  if (written + dups + blanks + heads + deleted != zub::split_lines(grown).size()) std::abort();
  return 0;
}
