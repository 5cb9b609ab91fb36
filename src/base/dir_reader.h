// One step of every tree walk: reading the entries of one directory. It
// leaves out "." and "..", the names the skip-name test keeps out of walks,
// and whatever is neither a regular file nor a directory (a link inside a
// tree is not followed); a name that is not UTF-8 is tested by its lossy
// decoding. Each walk keeps its own stack, depth cap (kMaxWalkDepth) and
// order. One reader per thread.
#pragma once

#include <dirent.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zub {

struct DirEntry {
  std::string_view raw;   // the name as the directory holds it (NUL-terminated)
  std::string_view name;  // as UTF-8: `raw` itself, or its lossy decoding
  bool utf8 = true;       // `name` is `raw`
  bool dir = false;       // a directory; otherwise a regular file
  // The directory did not tell the entry's type, so it was read from the
  // entry's status, which also gave a regular file's size.
  bool sized = false;
  uint64_t size = 0;
};

class DirReader {
 public:
  // Opens the directory at `path`; is_open() tells whether that worked.
  explicit DirReader(const std::string& path);
  ~DirReader();
  DirReader(const DirReader&) = delete;
  DirReader& operator=(const DirReader&) = delete;

  bool is_open() const { return dir_ != nullptr; }
  // errno of the failed open (ENAMETOOLONG: a path no open() takes), else 0.
  int open_error() const { return open_error_; }

  // The next entry, valid until the next call; false at the end of the
  // listing, or when the rest of it cannot be read.
  bool next(DirEntry& e);

  // The size of `e`, a file the last next() gave: the one its status gave
  // already, else read now beside it; 0 when it cannot be read.
  uint64_t file_size(const DirEntry& e) const;

  // Hands the open directory over to the caller, who closes it; the entry
  // names stay resolvable relative to it (dirfd). The reader reads no more.
  DIR* release();

 private:
  DIR* dir_ = nullptr;
  std::string lossy_;
  int open_error_ = 0;
};

}  // namespace zub
