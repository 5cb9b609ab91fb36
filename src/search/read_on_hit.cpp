#include "search/read_on_hit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace zub {

namespace {

constexpr size_t kPiece = 128 * 1024;

struct Fd {
  int fd;
  ~Fd() { ::close(fd); }
};

}  // namespace

OnHit HitReader::read(const std::string& path, uint64_t cap,
                      const std::function<bool(std::string_view)>& hit) {
  mapped_ = ReadResult();
  buf_.len = 0;
  const int raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (raw < 0) return OnHit::kFailed;
  Fd fd{raw};
  struct stat st;
  if (fstat(fd.fd, &st) != 0) return OnHit::kFailed;
  if (!S_ISREG(st.st_mode)) {
    // A pipe or device given as a root: the capped whole-file read, which
    // refuses devices.
    switch (read_listed_file_capped(path, cap, buf_)) {
      case ListedRead::kRead: return hit(buf_.view()) ? OnHit::kText : OnHit::kNoHit;
      case ListedRead::kTooLarge: return OnHit::kTooLarge;
      case ListedRead::kFailed: return OnHit::kFailed;
    }
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size > cap) return OnHit::kTooLarge;
  if (buf_.use_map) {
    buf_.mapped = ReadResult();
    buf_.use_map = false;
  }
  if (buf_.cap != kPiece) {
    buf_.bytes.reset(new char[kPiece]);
    buf_.cap = kPiece;
  }
  uint64_t total = 0;
  bool split = false;  // a piece was dropped before the end was seen
  for (;;) {
    bool eof = false;
    while (buf_.len < buf_.cap) {
      const size_t room = buf_.cap - buf_.len;
      const ssize_t n = ::read(fd.fd, buf_.bytes.get() + buf_.len, room);
      if (n < 0) {
        if (errno == EINTR) continue;
        return OnHit::kFailed;
      }
      if (n == 0) {
        eof = true;
        break;
      }
      total += static_cast<uint64_t>(n);
      buf_.len += static_cast<size_t>(n);
      if (total > cap) return OnHit::kTooLarge;
      // A short read of exactly the size fstat reported is the end of a
      // regular file; spare the extra read that would confirm it.
      if (total == size && static_cast<size_t>(n) < room) {
        eof = true;
        break;
      }
    }
    if (eof && !split) return hit(buf_.view()) ? OnHit::kText : OnHit::kNoHit;
    size_t end = buf_.len;
    if (!eof) {
      const void* nl = memrchr(buf_.bytes.get(), '\n', buf_.len);
      // A line longer than a piece is asked whole: the piece grows.
      if (!nl) {
        std::unique_ptr<char[]> bigger(new char[buf_.cap * 2]);
        std::memcpy(bigger.get(), buf_.bytes.get(), buf_.len);
        buf_.bytes = std::move(bigger);
        buf_.cap *= 2;
        continue;
      }
      end = static_cast<size_t>(static_cast<const char*>(nl) - buf_.bytes.get()) + 1;
    }
    if (hit(std::string_view(buf_.bytes.get(), end))) {
      mapped_ = read_file_view(path);
      if (!mapped_.ok) return OnHit::kFailed;
      if (mapped_.text().size() > cap) {
        mapped_ = ReadResult();
        return OnHit::kTooLarge;
      }
      return OnHit::kText;
    }
    if (eof) return OnHit::kNoHit;
    split = true;
    std::memmove(buf_.bytes.get(), buf_.bytes.get() + end, buf_.len - end);
    buf_.len -= end;
  }
}

}  // namespace zub
