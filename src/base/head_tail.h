// Bounded capture of a stream of any length: standard input of the filters
// and the output of the command `wrap` runs. Up to a cap everything is kept;
// past it the head and the tail (half the cap each) are kept and a gap line
// in between says how many bytes were left out, so memory stays bounded
// and nothing is lost without a trace. Not thread-safe; one per stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/file_io.h"

namespace zub {

class HeadTail {
 public:
  explicit HeadTail(uint64_t cap);

  void append(std::string_view bytes);

  // Bytes appended so far.
  uint64_t total() const { return total_; }

  // The kept bytes, after which the object is spent. Within the cap: all of
  // them. Past it: the head up to its last line feed, the gap line, and the
  // tail from after its first line feed, so that no line is cut in two
  // (within 64 KiB of the cut; a longer line is cut at a UTF-8 character
  // boundary instead). `left_out` is then everything between the two.
  struct Kept {
    std::string text;
    uint64_t left_out = 0;
    size_t gap_at = 0;    // where the gap line starts in `text`
    size_t gap_size = 0;  // its length; 0 when nothing was left out
  };
  Kept finish();

 private:
  uint64_t cap_;
  uint64_t head_cap_;
  uint64_t tail_cap_;
  uint64_t total_ = 0;
  std::string head_;
  std::string ring_;  // the tail, circular once full; empty until the head is
  size_t ring_at_ = 0;
};

// The line put where a capture left bytes out.
std::string head_tail_gap_line(uint64_t left_out, uint64_t cap);

// The note a filter prints after its output when its input (`what`: "입력",
// or "출력" for the command `wrap` ran) was cut.
std::string head_tail_note(std::string_view sub, std::string_view what, uint64_t total,
                           uint64_t left_out, uint64_t cap);

// A descriptor read through a HeadTail of `cap` bytes. A regular file that
// fits is read as read_fd_text reads it (mapped when large).
struct CappedRead {
  ReadResult in;          // the kept bytes; in.ok false after a read error
  uint64_t total = 0;     // bytes the descriptor delivered
  uint64_t left_out = 0;  // of them, bytes not kept
  size_t gap_at = 0;      // the gap line in in.text(), when left_out > 0
  size_t gap_size = 0;
};
CappedRead read_fd_capped(int fd, uint64_t cap);

}  // namespace zub
