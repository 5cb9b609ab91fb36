// Whole-file and prefix reads with errno-valued failures. Thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace zub {

struct ReadResult {
  bool ok = false;
  int err = 0;        // errno when !ok
  std::string data;
};

// Most a read holds in memory when a file is not mapped: its size is not
// known in advance (a pipe, a /proc file that reports 0) or mapping failed.
// A whole-file view of such a source that delivers more is refused with
// kErrFileTooLarge, so an endless one never grows the process without bound.
inline constexpr uint64_t kMaxUnmappedBytes = uint64_t{32} << 20;

// Character and block devices and sockets. They are never read as files:
// a device can be endless (/dev/zero) or wait for input (a terminal).
bool is_special_file(mode_t mode);

// Opens `path` for reading as every file read here does: never blocking in
// open(), refusing special files (kErrSpecialFile in *err). Returns the
// descriptor, or -1 with *err set; `st` is the opened file's status.
int open_readable(const std::string& path, struct stat& st, int* err);

// Reads the whole file at `path` into a string.
ReadResult read_file(const std::string& path);

// Reads at most `limit` bytes from the start of the file.
ReadResult read_file_prefix(const std::string& path, uint64_t limit);

// Reads the whole file into `buf` (reusing its capacity). Returns false and
// sets *err on failure. With `limit` set, stops after `limit` bytes.
bool read_file_into(const std::string& path, std::string& buf, int* err,
                    uint64_t limit = UINT64_MAX);

// Reads a file descriptor to its end.
ReadResult read_fd_all(int fd);

// The rest of a file descriptor's data as one read-only view. A large
// regular file is mapped instead of copied (no zero-filled buffer, no copy
// out of the page cache); anything else is read into `owned`. Move-only;
// the mapping goes away with the object.
struct FdText {
  bool ok = false;
  int err = 0;  // errno when !ok
  std::string owned;
  const char* map = nullptr;
  size_t map_len = 0;
  size_t map_skip = 0;  // bytes of the mapping before the descriptor's offset

  FdText() = default;
  FdText(FdText&& o) noexcept;
  FdText& operator=(FdText&&) = delete;
  FdText(const FdText&) = delete;
  ~FdText();
  std::string_view text() const;
};

FdText read_fd_text(int fd);

// Writes `data` to `path` through a temporary file in the same directory
// and a rename, so readers never see a torn file. Returns false on failure.
bool write_file_atomic(const std::string& path, std::string_view data, unsigned mode = 0644);

// Joins two path pieces with "/" (no separator added when `a` is empty or
// already ends with one).
std::string path_join(std::string_view a, std::string_view b);

}  // namespace zub

namespace zub {

// A whole file, mapped read-only when it is a regular file (no copy) or read
// into memory otherwise (pipes, /proc files). Move-only.
class FileView {
 public:
  FileView() = default;
  FileView(FileView&& o) noexcept;
  FileView& operator=(FileView&& o) noexcept;
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;
  ~FileView();

  std::string_view data() const { return map_ ? std::string_view(map_, size_) : std::string_view(buf_); }

 private:
  friend bool open_file_view(const std::string& path, FileView& view, int* err);
  char* map_ = nullptr;
  size_t size_ = 0;
  std::string buf_;
};

// Opens `path` as a FileView: a regular file of 64 KiB or more is mapped;
// anything else is read, at most kMaxUnmappedBytes (kErrFileTooLarge beyond).
// Returns false and sets *err on failure.
bool open_file_view(const std::string& path, FileView& view, int* err);

}  // namespace zub
