#include "compress/trim.h"

#include <algorithm>
#include <cstring>

#include "base/elide.h"
#include "base/fnv.h"
#include "base/unicode.h"
#include "compress/diff_lines.h"
#include "compress/line_set.h"

namespace zub {

namespace {

struct PendingLine {
  std::string_view text;
  uint64_t hash;
  bool blank;
};

// Lines are cut and hashed ahead of their turn so that the slot of each
// fingerprint can be fetched from memory while earlier lines are decided;
// with millions of distinct lines the table does not fit in cache.
constexpr size_t kBatch = 8;

// A changed line is what a reviewer reads: its middle (a "; curl … | sh"
// appended far to the right) must not vanish at the log width. Diff lines
// are cut only past this many bytes, and each cut one is counted apart.
constexpr uint64_t kDiffLineWidth = 8192;

}  // namespace

std::string trim(std::string_view input, uint64_t width, bool* dropped) {
  if (dropped) *dropped = false;
  if (input.size() < kTrimPassthroughBytes) return std::string(input);

  std::string out;
  out.reserve(input.size() + 128);
  // A guess of one line per 48 bytes keeps regrowth rare for typical logs.
  LineSet seen = make_line_set(input.size() / 48);
  uint64_t dups = 0, cut_bytes = 0, blanks = 0;
  uint64_t diff_heads = 0, deleted_lines = 0, diff_cut_lines = 0, diff_cut_bytes = 0;
  const uint64_t diff_width = std::max(width, kDiffLineWidth);
  bool prev_blank = false;
  DiffTracker diff;

  const char* const base = input.data();
  const size_t n = input.size();
  size_t pos = 0;
  // Cuts up to kBatch lines from `pos`, hashes them and prefetches their
  // slots; returns how many were cut.
  auto fill = [&](PendingLine* batch) {
    size_t count = 0;
    while (count < kBatch && pos < n) {
      const void* nl = std::memchr(base + pos, '\n', n - pos);
      size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - base) : n;
      const size_t next = nl ? end + 1 : n;
      if (nl && end > pos && base[end - 1] == '\r') --end;
      PendingLine& p = batch[count++];
      p.text = std::string_view(base + pos, end - pos);
      p.blank = is_blank(p.text);
      if (!p.blank) {
        p.hash = line_fingerprint(p.text);
        line_set_prefetch(seen, p.hash);
      }
      pos = next;
    }
    return count;
  };
  // Two batches in flight: the next one is cut and prefetched before the
  // current one is decided, so every slot has a whole batch of work to
  // arrive in.
  PendingLine batches[2][kBatch];
  size_t counts[2] = {fill(batches[0]), 0};
  for (int cur = 0; counts[cur] != 0; cur ^= 1) {
    counts[cur ^ 1] = fill(batches[cur ^ 1]);
    for (size_t i = 0; i < counts[cur]; ++i) {
      const PendingLine& p = batches[cur][i];
      // A diff's lines are shown as they are: a repeated "-  }" is
      // another removed line, a context line of one space is no blank.
      switch (diff.next(p.text)) {
        case DiffLine::kOther: break;
        case DiffLine::kFoldedHeader: ++diff_heads; continue;
        case DiffLine::kDeletedBody: ++deleted_lines; continue;
        case DiffLine::kDeletedHead:
          cut_bytes += append_elided(out, p.text, width);
          out +=
              " [zub trim: 지운 파일: 본문 " + std::to_string(diff.deleted_count()) + "줄 생략]\n";
          prev_blank = false;
          continue;
        case DiffLine::kKeep:
          if (const uint64_t cut = append_elided(out, p.text, diff_width); cut != 0) {
            ++diff_cut_lines;
            diff_cut_bytes += cut;
          }
          out.push_back('\n');
          prev_blank = false;
          continue;
      }
      if (p.blank) {
        if (prev_blank) {
          ++blanks;
        } else {
          out.push_back('\n');
        }
        prev_blank = true;
        continue;
      }
      prev_blank = false;
      if (line_set_insert(seen, p.hash)) {
        ++dups;
        continue;
      }
      cut_bytes += append_elided(out, p.text, width);
      out.push_back('\n');
    }
  }

  if (dups != 0 || cut_bytes != 0 || blanks != 0) {
    out += "[zub trim: " + std::to_string(dups) + " dup lines collapsed, " +
           std::to_string(cut_bytes) + " chars over " + std::to_string(width) + "-col cut, " +
           std::to_string(blanks) + " blank lines]\n";
  }
  if (diff_heads != 0 || deleted_lines != 0) {
    out += "[zub trim: diff 의 index·---·+++ 머리줄 " + std::to_string(diff_heads) +
           "개, 지운 파일 본문 " + std::to_string(deleted_lines) + "줄 뺐다]\n";
  }
  if (diff_cut_lines != 0) {
    out += "[zub trim: diff 줄 " + std::to_string(diff_cut_lines) + "개가 " +
           std::to_string(diff_width) + "바이트를 넘어 가운데 " + std::to_string(diff_cut_bytes) +
           "바이트를 잘랐다]\n";
  }
  if (dropped)
    *dropped =
        dups != 0 || cut_bytes != 0 || diff_heads != 0 || deleted_lines != 0 || diff_cut_lines != 0;
  return out;
}

int cmd_trim(std::string_view input, const TrimOptions& opts, Output& out, bool* dropped) {
  out.write_out(trim(input, opts.width, dropped));
  return 0;
}

}  // namespace zub
