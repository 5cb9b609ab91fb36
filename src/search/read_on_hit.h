// Reading a listed file only as far as it takes to tell whether a search
// has anything to do in it: a regular file is read in pieces that end at a
// line feed (so a worker's buffer stays small and warm in the cache) and
// each piece is asked; the first piece that answers yes makes the whole
// file the text (from the buffer when it fits one piece, else mapped). Most
// files answer no and are dropped without keeping more than one piece.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/file_io.h"
#include "search/walk.h"

namespace zub {

enum class OnHit : uint8_t {
  kText,      // the whole text is in the reader's view()
  kNoHit,     // no piece answered yes
  kTooLarge,  // over the cap: not read
  kFailed,    // could not be read
};

// One thread's reader, reused for every file.
class HitReader {
 public:
  // Reads `path` (at most `cap` bytes), asking `hit` of each piece of whole
  // lines (of the whole text for anything but a regular file).
  OnHit read(const std::string& path, uint64_t cap,
             const std::function<bool(std::string_view)>& hit);

  // The text after kText, valid until the next read.
  std::string_view view() const { return mapped_.ok ? mapped_.text() : buf_.view(); }

 private:
  ReadBuffer buf_;
  ReadResult mapped_;
};

}  // namespace zub
