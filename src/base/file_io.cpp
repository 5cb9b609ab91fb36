#include "base/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/map_guard.h"
#include "base/os_error.h"

namespace zub {

namespace {

// Reads `fd` to its end (or `limit` bytes) into `buf`, growing it
// geometrically and reading straight into its tail.
// The size of a first buffer for reading `fd` whole.
uint64_t read_size_hint(int fd, uint64_t limit) {
  // A first allocation of a size only fstat vouches for stays modest: a
  // /proc file can claim terabytes, and the loop grows the buffer anyway.
  constexpr uint64_t kMaxHint = uint64_t{64} << 20;
  struct stat st;
  uint64_t hint = 0;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    hint = static_cast<uint64_t>(st.st_size) + 1;  // +1 sees EOF in one read
  if (hint < 16384) hint = 16384;
  if (hint > kMaxHint) hint = kMaxHint;
  if (hint > limit) hint = limit;
  return hint;
}

bool read_loop(int fd, std::string& buf, uint64_t limit, int* err) {
  const uint64_t hint = read_size_hint(fd, limit);
  buf.clear();
  size_t used = 0;
  buf.resize(static_cast<size_t>(hint));
  while (used < limit) {
    if (used == buf.size()) {
      uint64_t grow = buf.size() * 2;
      if (grow > limit) grow = limit;
      buf.resize(static_cast<size_t>(grow));
    }
    ssize_t n = ::read(fd, buf.data() + used, buf.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      *err = errno;
      buf.resize(used);
      return false;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  buf.resize(used);
  return true;
}

// read_loop without a limit into a buffer of its own: a string would be
// zero-filled over its whole size before the reads overwrite it, a second
// pass over every byte of the input.
bool read_loop_own(int fd, std::unique_ptr<char[]>& buf, size_t& used, int* err) {
  size_t size = static_cast<size_t>(read_size_hint(fd, UINT64_MAX));
  buf = std::make_unique_for_overwrite<char[]>(size);
  used = 0;
  for (;;) {
    if (used == size) {
      std::unique_ptr<char[]> bigger = std::make_unique_for_overwrite<char[]>(size * 2);
      std::memcpy(bigger.get(), buf.get(), used);
      buf = std::move(bigger);
      size *= 2;
    }
    const ssize_t n = ::read(fd, buf.get() + used, size - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      *err = errno;
      return false;
    }
    if (n == 0) return true;
    used += static_cast<size_t>(n);
  }
}

// Opens `path` for reading without ever blocking in open(): a FIFO that no
// writer holds would otherwise stall the whole run (a named pipe met as a
// file argument). Blocking reads are restored afterwards, so a FIFO with no
// writer reads as empty and one with a writer reads to its end (or its cap).
// Devices and sockets are refused; `st` is the opened file's status.
int open_for_read(const std::string& path, struct stat& st, int* err) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    *err = errno;
    return -1;
  }
  if (fstat(fd, &st) != 0) {
    *err = errno;
    ::close(fd);
    return -1;
  }
  if (is_special_file(st.st_mode)) {
    *err = kErrSpecialFile;
    ::close(fd);
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

// Maps [start, start+len) of `fd` read-only under the truncation guard;
// nullptr when it cannot be mapped or guarded (the caller then reads).
char* map_guarded(int fd, off_t start, size_t len, int flags) {
  void* p = mmap(nullptr, len, PROT_READ, flags, fd, start);
  if (p == MAP_FAILED) return nullptr;
  if (!register_mapping(p, len)) {
    munmap(p, len);
    return nullptr;
  }
  return static_cast<char*>(p);
}

void unmap_guarded(const char* p, size_t len) {
  if (p == nullptr) return;
  unregister_mapping(p);
  munmap(const_cast<char*>(p), len);
}

// Opens `path` and reads it to its end or `limit` bytes.
ReadResult read_path(const std::string& path, uint64_t limit) {
  ReadResult r;
  struct stat st;
  const int fd = open_for_read(path, st, &r.err);
  if (fd < 0) return r;
  r.ok = read_loop(fd, r.data, limit, &r.err);
  r.capped = r.data.size() >= limit;
  ::close(fd);
  return r;
}

}  // namespace

std::string file_error_text(int err) {
  switch (err) {
    case kErrNotUtf8: return kNotUtf8Error;
    case kErrSpecialFile: return kSpecialFileError;
    case kErrFileTooLarge:
      return std::to_string(kMaxUnmappedBytes >> 20) +
             " MiB 를 넘어 읽기를 멈췄다(크기를 미리 알 수 없는 파이프·/proc 파일 등): 앞부분은 "
             "`zub read --bytes N` 으로 읽어라";
    default: return os_error_text(err);
  }
}

bool is_special_file(mode_t mode) { return S_ISCHR(mode) || S_ISBLK(mode) || S_ISSOCK(mode); }

bool path_exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool fd_may_carry_input(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  return S_ISFIFO(st.st_mode) || S_ISREG(st.st_mode) || S_ISSOCK(st.st_mode);
}

int open_readable(const std::string& path, struct stat& st, int* err) {
  return open_for_read(path, st, err);
}

ReadResult::ReadResult(ReadResult&& o) noexcept
    : ok(o.ok),
      err(o.err),
      capped(o.capped),
      data(std::move(o.data)),
      map_(o.map_),
      map_len_(o.map_len_),
      map_skip_(o.map_skip_),
      own_(std::move(o.own_)),
      own_len_(o.own_len_) {
  o.map_ = nullptr;
  o.map_len_ = 0;
  o.map_skip_ = 0;
  o.own_len_ = 0;
}

ReadResult& ReadResult::operator=(ReadResult&& o) noexcept {
  if (this != &o) {
    unmap_guarded(map_, map_len_);
    ok = o.ok;
    err = o.err;
    capped = o.capped;
    data = std::move(o.data);
    map_ = o.map_;
    map_len_ = o.map_len_;
    map_skip_ = o.map_skip_;
    o.map_ = nullptr;
    o.map_len_ = 0;
    o.map_skip_ = 0;
    own_ = std::move(o.own_);
    own_len_ = o.own_len_;
    o.own_len_ = 0;
  }
  return *this;
}

ReadResult::~ReadResult() { unmap_guarded(map_, map_len_); }

ReadResult read_file(const std::string& path) { return read_path(path, UINT64_MAX); }

ReadResult read_file_prefix(const std::string& path, uint64_t limit) {
  return read_path(path, limit);
}

ReadResult read_fd_all(int fd, uint64_t limit, bool reserve) {
  ReadResult r;
  if (reserve) r.data.reserve(static_cast<size_t>(limit));
  r.ok = read_loop(fd, r.data, limit, &r.err);
  r.capped = r.data.size() >= limit;
  return r;
}

ReadResult read_fd_text(int fd) {
  // Below this size a plain read is as cheap as setting up a mapping.
  constexpr off_t kMapMin = off_t{1} << 20;
  ReadResult r;
  struct stat st;
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  if (at >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size - at >= kMapMin) {
    const long page = sysconf(_SC_PAGESIZE);
    const off_t start = at - at % page;
    const size_t len = static_cast<size_t>(st.st_size - start);
    if (const char* p = map_guarded(fd, start, len, MAP_PRIVATE | MAP_POPULATE)) {
      r.ok = true;
      r.map_ = p;
      r.map_len_ = len;
      r.map_skip_ = static_cast<size_t>(at - start);
      // The data now belongs to this process's view; leave the descriptor
      // where a reader that consumed it would leave it.
      ::lseek(fd, st.st_size, SEEK_SET);
      return r;
    }
  }
  r.ok = read_loop_own(fd, r.own_, r.own_len_, &r.err);
  return r;
}

ReadResult read_file_view(const std::string& path) {
  ReadResult r;
  struct stat st;
  const int fd = open_for_read(path, st, &r.err);
  if (fd < 0) return r;
  // Small files are cheaper to read than to map.
  if (S_ISREG(st.st_mode) && st.st_size >= 65536) {
    if (char* p = map_guarded(fd, 0, static_cast<size_t>(st.st_size), MAP_PRIVATE)) {
      madvise(p, static_cast<size_t>(st.st_size), MADV_SEQUENTIAL);
      r.ok = true;
      r.map_ = p;
      r.map_len_ = static_cast<size_t>(st.st_size);
      ::close(fd);
      return r;
    }
  }
  r.ok = read_loop(fd, r.data, kMaxUnmappedBytes + 1, &r.err);
  ::close(fd);
  if (r.ok && r.data.size() > kMaxUnmappedBytes) {
    r.data = std::string();
    r.ok = false;
    r.err = kErrFileTooLarge;
  }
  return r;
}

FdFill fill_from_fd(int fd, char* dst, size_t room, uint64_t expect) {
  FdFill f;
  while (f.bytes < room) {
    const ssize_t n = ::read(fd, dst + f.bytes, room - f.bytes);
    if (n < 0) {
      if (errno == EINTR) continue;
      f.err = errno;
      return f;
    }
    if (n == 0) {
      f.ended = true;
      return f;
    }
    f.bytes += static_cast<size_t>(n);
    if (expect != 0 && f.bytes == expect && f.bytes < room) {
      f.ended = true;
      return f;
    }
  }
  return f;
}

int write_fully(int fd, std::string_view data) {
  size_t off = 0;
  while (off < data.size()) {
    const ssize_t n = ::write(fd, data.data() + off, data.size() - off);
    if (n > 0) {
      off += static_cast<size_t>(n);
    } else if (n == 0) {
      return EIO;
    } else if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

bool write_file_atomic(const std::string& path, std::string_view data, unsigned mode) {
  static std::atomic<unsigned> counter{0};
  std::string tmp =
      path + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(counter.fetch_add(1));
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
  if (fd < 0) return false;
  if (write_fully(fd, data) != 0) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return false;
  }
  if (::close(fd) != 0 || std::rename(tmp.c_str(), path.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

std::string path_join(std::string_view a, std::string_view b) {
  std::string out(a);
  if (!out.empty() && out.back() != '/') out.push_back('/');
  out.append(b);
  return out;
}

}  // namespace zub
