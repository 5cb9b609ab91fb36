#include "base/output.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "base/os_error.h"

namespace zub {

namespace {

// Set once the reader of standard output (or error) has gone away.
std::atomic<bool> g_out_closed{false};
std::atomic<bool> g_err_closed{false};

void write_stderr_raw(std::string_view data) {
  size_t off = 0;
  while (off < data.size()) {
    ssize_t n = ::write(2, data.data() + off, data.size() - off);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    off += static_cast<size_t>(n);
  }
}

}  // namespace

void prepare_standard_streams() {
  std::signal(SIGPIPE, SIG_IGN);
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() takes the lowest free descriptor, which is `fd` itself.
    const int got = ::open("/dev/null", O_RDONLY);
    if (got >= 0 && got != fd) {
      ::dup2(got, fd);
      ::close(got);
    }
  }
}

void write_all_or_exit(int fd, std::string_view data) {
  std::atomic<bool>& closed = fd == 1 ? g_out_closed : g_err_closed;
  if (closed.load(std::memory_order_relaxed)) return;
  size_t off = 0;
  while (off < data.size()) {
    ssize_t n = ::write(fd, data.data() + off, data.size() - off);
    if (n >= 0) {
      off += static_cast<size_t>(n);
      continue;
    }
    const int err = errno;
    if (err == EINTR) continue;
    if (err == EPIPE) {
      closed.store(true, std::memory_order_relaxed);
      return;
    }
    if (fd != 1) return;
    write_stderr_raw("zub: 표준 출력에 쓸 수 없다: " + os_error_text(err) + "\n");
    _exit(2);
  }
}

void Output::write_out(std::string_view block) {
  if (block.empty()) return;
  written += block.size();
  if (capture) {
    out.append(block);
    return;
  }
  write_all_or_exit(1, block);
}

void Output::write_err(std::string_view block) {
  if (block.empty()) return;
  written += block.size();
  if (capture) {
    err.append(block);
    return;
  }
  write_all_or_exit(2, block);
}

}  // namespace zub
