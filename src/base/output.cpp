#include "base/output.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

#include "base/file_io.h"
#include "base/os_error.h"

namespace zub {

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

void Output::write_out(std::string_view block) {
  if (block.empty()) return;
  written += block.size();
  if (capture) {
    const std::lock_guard<std::mutex> lock(capture_mutex_);
    out.append(block);
    return;
  }
  if (out_closed_.load(std::memory_order_relaxed)) return;
  const int failure = write_fully(1, block);
  if (failure == 0) return;
  if (failure == EPIPE) {
    out_closed_.store(true, std::memory_order_relaxed);
    return;
  }
  write_err("zub: 표준 출력에 쓸 수 없다: " + os_error_text(failure) + "\n");
  _exit(kWriteFailureStatus);
}

void Output::write_err(std::string_view block) {
  if (block.empty()) return;
  written += block.size();
  if (capture) {
    const std::lock_guard<std::mutex> lock(capture_mutex_);
    err.append(block);
    return;
  }
  if (err_closed_.load(std::memory_order_relaxed)) return;
  if (write_fully(2, block) == EPIPE) err_closed_.store(true, std::memory_order_relaxed);
}

}  // namespace zub
