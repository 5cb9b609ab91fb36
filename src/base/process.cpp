#include "base/process.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zub {

namespace {

void close_fd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

std::vector<std::string> build_env(const ProcessOptions& opts) {
  std::vector<std::string> env;
  auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  for (char** e = environ; e && *e; ++e) {
    std::string entry(*e);
    std::string name = name_of(entry);
    bool drop = false;
    for (const auto& u : opts.env_unset) drop |= (u == name);
    for (const auto& s : opts.env_set) drop |= (name_of(s) == name);
    if (!drop) env.push_back(std::move(entry));
  }
  for (const auto& s : opts.env_set) env.push_back(s);
  return env;
}

// Writes to a pipe whose reader may be gone without raising SIGPIPE in the
// caller, whatever the caller's signal disposition: the signal is blocked
// for this thread during the write and a pending one is consumed.
ssize_t write_no_sigpipe(int fd, const char* data, size_t len) {
  sigset_t pipe_set, old;
  sigemptyset(&pipe_set);
  sigaddset(&pipe_set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_set, &old);
  ssize_t n = ::write(fd, data, len);
  const int saved = errno;
  if (n < 0 && saved == EPIPE) {
    const timespec zero{0, 0};
    while (sigtimedwait(&pipe_set, nullptr, &zero) > 0) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  errno = saved;
  return n;
}

}  // namespace

ProcessResult run_process(const std::vector<std::string>& argv, const ProcessOptions& opts) {
  ProcessResult r;
  if (argv.empty()) {
    r.start_error = EINVAL;
    return r;
  }
  int out_pipe[2] = {-1, -1}, err_pipe[2] = {-1, -1}, in_pipe[2] = {-1, -1};
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || (!opts.merge_stderr && pipe2(err_pipe, O_CLOEXEC) != 0) ||
      (opts.stdin_data && pipe2(in_pipe, O_CLOEXEC) != 0)) {
    r.start_error = errno;
    for (int* p : {out_pipe, err_pipe, in_pipe}) {
      close_fd(p[0]);
      close_fd(p[1]);
    }
    return r;
  }

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  if (opts.stdin_data) {
    posix_spawn_file_actions_adddup2(&fa, in_pipe[0], 0);
  } else {
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&fa, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&fa, opts.merge_stderr ? out_pipe[1] : err_pipe[1], 2);
  // dup2 onto itself clears close-on-exec in the child only.
  for (int fd : opts.pass_fds) posix_spawn_file_actions_adddup2(&fa, fd, fd);

  // The child starts with default signal dispositions (we ignore SIGPIPE).
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t def;
  sigemptyset(&def);
  sigaddset(&def, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &def);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> cargv;
  for (const auto& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
  cargv.push_back(nullptr);
  std::vector<std::string> env_store;
  std::vector<char*> cenv;
  char** envp = environ;
  if (!opts.env_set.empty() || !opts.env_unset.empty()) {
    env_store = build_env(opts);
    for (auto& e : env_store) cenv.push_back(e.data());
    cenv.push_back(nullptr);
    envp = cenv.data();
  }

  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0].c_str(), &fa, &attr, cargv.data(), envp);
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  close_fd(out_pipe[1]);
  close_fd(err_pipe[1]);
  close_fd(in_pipe[0]);
  if (rc != 0) {
    r.start_error = rc;
    close_fd(out_pipe[0]);
    close_fd(err_pipe[0]);
    close_fd(in_pipe[1]);
    return r;
  }
  r.started = true;

  int out_fd = out_pipe[0], err_fd = err_pipe[0], in_fd = in_pipe[1];
  size_t in_off = 0;
  if (in_fd >= 0) fcntl(in_fd, F_SETFL, O_NONBLOCK);
  char buf[65536];
  // With read_after_exit_ms the child is checked for between polls, and the
  // reading stops at `deadline` after it has ended.
  constexpr int kExitCheckMs = 50;
  bool reaped = false;
  int status = 0;
  std::chrono::steady_clock::time_point deadline;
  while (out_fd >= 0 || err_fd >= 0 || in_fd >= 0) {
    pollfd fds[3];
    int nfds = 0;
    int idx_out = -1, idx_err = -1, idx_in = -1;
    if (out_fd >= 0) { idx_out = nfds; fds[nfds++] = {out_fd, POLLIN, 0}; }
    if (err_fd >= 0) { idx_err = nfds; fds[nfds++] = {err_fd, POLLIN, 0}; }
    if (in_fd >= 0) { idx_in = nfds; fds[nfds++] = {in_fd, POLLOUT, 0}; }
    int wait_ms = -1;
    if (opts.read_after_exit_ms) {
      if (!reaped && waitpid(pid, &status, WNOHANG) == pid) {
        reaped = true;
        deadline = std::chrono::steady_clock::now() +
                   std::chrono::milliseconds(*opts.read_after_exit_ms);
      }
      if (reaped) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        wait_ms = static_cast<int>(left.count());
      } else {
        wait_ms = kExitCheckMs;
      }
    }
    const int ready = poll(fds, static_cast<nfds_t>(nfds), wait_ms);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (ready == 0) continue;
    auto drain = [&](int idx, int& fd, std::string& sink) {
      if (idx < 0 || !(fds[idx].revents & (POLLIN | POLLHUP | POLLERR))) return;
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) {
        sink.append(buf, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close_fd(fd);
      }
    };
    drain(idx_out, out_fd, r.out);
    if (opts.max_out && r.out.size() > *opts.max_out && !r.out_truncated) {
      r.out.resize(*opts.max_out);
      r.out_truncated = true;
      ::kill(pid, SIGKILL);
      close_fd(out_fd);
    }
    drain(idx_err, err_fd, r.err);
    if (idx_in >= 0 && (fds[idx_in].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const std::string& data = *opts.stdin_data;
      if (in_off >= data.size()) {
        close_fd(in_fd);
      } else {
        ssize_t n = write_no_sigpipe(in_fd, data.data() + in_off, data.size() - in_off);
        if (n > 0) {
          in_off += static_cast<size_t>(n);
          if (in_off >= data.size()) close_fd(in_fd);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
          close_fd(in_fd);  // the child closed its end (EPIPE): stop feeding
        }
      }
    }
  }
  close_fd(out_fd);
  close_fd(err_fd);
  close_fd(in_fd);

  while (!reaped && waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      r.exited = false;
      return r;
    }
  }
  if (WIFEXITED(status)) {
    r.exited = true;
    r.exit_code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    r.signal = WTERMSIG(status);
  }
  return r;
}

}  // namespace zub
