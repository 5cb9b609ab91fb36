#include "hardening/bounded_run.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <chrono>
#include <stdexcept>

#include <cstring>

#include "base/process.h"

namespace zub_test {

BoundedRun run_bounded_via(const std::vector<std::string>& prefix,
                           const std::vector<std::string>& args, int limit_s,
                           const RunOptions& opts) {
  std::vector<std::string> argv = {"timeout", "-k", "5", std::to_string(limit_s)};
  if (!opts.cwd.empty()) {
    // Change directory through sh so the limit covers only the command.
    argv.insert(argv.end(), {"sh", "-c", "cd \"$0\" && exec \"$@\"", opts.cwd});
  }
  argv.insert(argv.end(), prefix.begin(), prefix.end());
  argv.push_back(ZUB_BINARY);
  argv.insert(argv.end(), args.begin(), args.end());
  const zub::ProcessOptions po = zub_process_options(opts);
  const auto start = std::chrono::steady_clock::now();
  zub::ProcessResult r = zub::run_process(argv, po);
  BoundedRun b;
  b.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  b.run.out = std::move(r.out);
  b.run.err = std::move(r.err);
  b.run.status = r.exited ? r.exit_code : 128 + r.signal;
  // timeout reports 124 after SIGTERM did it, 137 when SIGKILL was needed.
  b.timed_out = b.run.status == 124 || b.run.status == 137;
  return b;
}

BoundedRun run_bounded(const std::vector<std::string>& args, int limit_s, const RunOptions& opts) {
  return run_bounded_via({}, args, limit_s, opts);
}

void make_sparse_file(const std::string& path, uint64_t size, const std::string& head) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("open " + path + ": " + std::strerror(errno));
  bool ok =
      head.empty() || ::write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size());
  ok = ok && ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  ::close(fd);
  if (!ok) throw std::runtime_error("sparse file " + path);
}

void make_socket_file(const std::string& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  if (path.size() >= sizeof sa.sun_path) throw std::runtime_error("socket path too long");
  std::memcpy(sa.sun_path, path.c_str(), path.size() + 1);
  bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  ::close(fd);
  if (!ok) throw std::runtime_error("bind " + path);
}

}  // namespace zub_test
