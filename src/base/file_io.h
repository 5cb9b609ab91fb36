// Whole-file, prefix and descriptor reads, all answering with one result
// type whose failures are errno values. Thread-safe.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zub {

// What reading a file or a descriptor gave: the bytes, and whether and why
// the read failed. The bytes are in `data`, in a read-only mapping of a
// large regular file, or (read_fd_text) in a buffer of its own; text() is
// them in every case (after a failed read, what was read before the
// failure). Move-only: a mapping goes away with the object.
struct ReadResult {
  bool ok = false;
  int err = 0;          // errno or a kErr* code (base/os_error.h) when !ok
  bool capped = false;  // the read stopped at its byte limit
  std::string data;     // the bytes, unless mapped

  ReadResult() = default;
  ReadResult(ReadResult&& o) noexcept;
  ReadResult& operator=(ReadResult&& o) noexcept;
  ReadResult(const ReadResult&) = delete;
  ReadResult& operator=(const ReadResult&) = delete;
  ~ReadResult();

  std::string_view text() const {
    if (map_) return std::string_view(map_ + map_skip_, map_len_ - map_skip_);
    if (own_) return std::string_view(own_.get(), own_len_);
    return std::string_view(data);
  }
  bool mapped() const { return map_ != nullptr; }

 private:
  friend ReadResult read_fd_text(int fd);
  friend ReadResult read_file_view(const std::string& path);
  const char* map_ = nullptr;
  size_t map_len_ = 0;
  size_t map_skip_ = 0;          // bytes of the mapping before the text
  std::unique_ptr<char[]> own_;  // read straight into, never zero-filled first
  size_t own_len_ = 0;
};

// Most a read holds in memory when a file is not mapped: its size is not
// known in advance (a pipe, a /proc file that reports 0) or mapping failed.
// A whole-file view of such a source that delivers more is refused with
// kErrFileTooLarge, so an endless one never grows the process without bound.
inline constexpr uint64_t kMaxUnmappedBytes = uint64_t{32} << 20;

// The text of a file error: one of the tool's own reasons (kErr* in
// base/os_error.h), or the operating system's description.
std::string file_error_text(int err);

// Character and block devices and sockets. They are never read as files:
// a device can be endless (/dev/zero) or wait for input (a terminal).
bool is_special_file(mode_t mode);

// Whether reading `fd` may bring input someone means to give: a pipe, a
// regular file or a socket. A terminal, another character device such as
// /dev/null, or a closed descriptor does not.
bool fd_may_carry_input(int fd);

// Whether anything has the name `path` (a symbolic link is followed).
bool path_exists(const std::string& path);

// Opens `path` for reading as every file read here does: never blocking in
// open(), refusing special files (kErrSpecialFile in *err). Returns the
// descriptor, or -1 with *err set; `st` is the opened file's status.
int open_readable(const std::string& path, struct stat& st, int* err);

// Reads the whole file at `path` into `data`.
ReadResult read_file(const std::string& path);

// Reads at most `limit` bytes from the start of the file into `data`;
// `capped` when the limit was reached.
ReadResult read_file_prefix(const std::string& path, uint64_t limit);

// The whole file at `path` for reading in place: a regular file of 64 KiB
// or more is mapped (no copy); anything else is read into `data`, at most
// kMaxUnmappedBytes (kErrFileTooLarge beyond).
ReadResult read_file_view(const std::string& path);

// Reads a file descriptor to its end into `data`, or only its first
// `limit` bytes (`capped` when the limit was reached). `reserve`: the limit
// is reserved at once, so that growing never holds the old and the new
// buffer together (a large limit on input that may reach it).
ReadResult read_fd_all(int fd, uint64_t limit = UINT64_MAX, bool reserve = false);

// The rest of a file descriptor's data. A large regular file is mapped
// from the descriptor's offset instead of copied (no zero-filled buffer, no
// copy out of the page cache) and the offset is left at its end; anything
// else is read into a buffer that is not zero-filled before the read
// overwrites it.
ReadResult read_fd_text(int fd);

// What filling a buffer from a descriptor gave.
struct FdFill {
  size_t bytes = 0;    // read into the buffer, also when a read failed after them
  bool ended = false;  // the data ended (see fill_from_fd)
  int err = 0;         // errno of the read that failed (EAGAIN: nothing more yet)
};

// Reads `fd` into [dst, dst + room) until the room is full, the data ends
// or a read fails, going on after short and interrupted reads. `expect`,
// when not 0, is how many bytes the caller knows are left (a regular file's
// size from fstat): a short read that brings exactly that many counts as the
// end, sparing the read that would return nothing.
FdFill fill_from_fd(int fd, char* dst, size_t room, uint64_t expect = 0);

// Writes all of `data` to `fd`, continuing short and interrupted writes.
// Returns 0, or the errno of the write that failed (EIO for a write that
// took nothing).
int write_fully(int fd, std::string_view data);

// Writes `data` to `path` through a temporary file in the same directory
// and a rename, so readers never see a torn file. Returns false on failure.
bool write_file_atomic(const std::string& path, std::string_view data, unsigned mode = 0644);

// Joins two path pieces with "/" (no separator added when `a` is empty or
// already ends with one).
std::string path_join(std::string_view a, std::string_view b);

}  // namespace zub
