#include "base/output.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace zub {

namespace {
int g_broken_pipe_status = 0;
}  // namespace

void install_pipe_handling() { std::signal(SIGPIPE, SIG_IGN); }

void set_broken_pipe_status(int status) { g_broken_pipe_status = status; }

void write_all_or_exit(int fd, std::string_view data) {
  size_t off = 0;
  while (off < data.size()) {
    ssize_t n = ::write(fd, data.data() + off, data.size() - off);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EPIPE) _exit(g_broken_pipe_status);
      return;
    }
    off += static_cast<size_t>(n);
  }
}

void Output::write_out(std::string_view block) {
  if (block.empty()) return;
  if (capture) {
    out.append(block);
    return;
  }
  write_all_or_exit(1, block);
}

void Output::write_err(std::string_view block) {
  if (block.empty()) return;
  if (capture) {
    err.append(block);
    return;
  }
  write_all_or_exit(2, block);
}

}  // namespace zub
