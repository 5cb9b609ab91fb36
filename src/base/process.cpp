#include "base/process.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include "base/env.h"
#include "base/head_tail.h"

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

// ---- Passing termination signals on to the children's groups ----

constexpr int kRelayedSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Group ids of the running children; 0 marks a free slot. Far more slots
// than the tool ever runs children at once.
constexpr size_t kGroupSlots = 64;
std::atomic<pid_t> g_groups[kGroupSlots];
// The first termination signal passed on, 0 while there was none.
std::atomic<int> g_stop_signal{0};
// Children being started and not yet in a slot. A signal that finds no
// slot but a start under way is passed on by the starting thread instead.
std::atomic<int> g_starting{0};

void relay_signal(int sig) {
  const int saved = errno;
  int none = 0;
  g_stop_signal.compare_exchange_strong(none, sig);
  bool passed_on = false;
  for (auto& slot : g_groups) {
    const pid_t group = slot.load();
    if (group > 0) {
      ::kill(-group, sig);
      passed_on = true;
    }
  }
  if (!passed_on && g_starting.load() == 0) {
    // No child to wait for: end as the signal would have ended us. It is
    // blocked while this handler runs and is delivered when it returns.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
  }
  errno = saved;
}

void install_relay() {
  for (int sig : kRelayedSignals) {
    struct sigaction old = {};
    // A signal that our caller ignores stays ignored, as shells expect.
    if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction sa = {};
    sa.sa_handler = relay_signal;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    for (int other : kRelayedSignals) sigaddset(&sa.sa_mask, other);
    sigaction(sig, &sa, nullptr);
  }
}

size_t claim_group_slot(pid_t group) {
  for (size_t i = 0; i < kGroupSlots; ++i) {
    pid_t free_slot = 0;
    if (g_groups[i].compare_exchange_strong(free_slot, group)) return i;
  }
  return kGroupSlots;
}

// ---- The watcher that kills a child's group when the tool dies ----

void close_from(int first) {
#ifdef SYS_close_range
  if (::syscall(SYS_close_range, static_cast<unsigned>(first), ~0U, 0U) == 0) return;
#endif
  struct rlimit lim = {};
  rlim_t top = 65536;
  if (getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < top) top = lim.rlim_cur;
  for (rlim_t fd = static_cast<rlim_t>(first); fd < top; ++fd) ::close(static_cast<int>(fd));
}

// A forked copy of the tool beside each child, in a session of its own so
// that killing the tool's process group spares it. It reads from a pipe
// that only the tool and the child (until its exec) can write: first the
// child's pid, which is also its group, then from the tool a one-byte
// all-clear. End of file without the all-clear means the tool has died, and
// the group is killed. The child sends its pid before it execs, so no
// program runs before the watcher knows its group. Only system calls are
// made here: another thread may have held a lock of the allocator at the
// fork.
[[noreturn]] void watcher_main(int fd) {
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM, SIGTSTP,
                  SIGTTIN, SIGTTOU})
    sigaction(sig, &ignore, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  ::setsid();
  if (::chdir("/") != 0) {
  }
  if (fd != 0) ::dup2(fd, 0);
  close_from(1);
  int32_t group = 0;
  size_t have = 0;  // bytes of `group` read so far
  for (;;) {
    char buf[8];
    const ssize_t n = ::read(0, buf, have < sizeof group ? sizeof group - have : 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) _exit(0);
    if (n == 0) break;
    if (have >= sizeof group) _exit(0);  // the all-clear
    std::memcpy(reinterpret_cast<char*>(&group) + have, buf, static_cast<size_t>(n));
    have += static_cast<size_t>(n);
  }
  if (have == sizeof group && group > 0) ::kill(-group, SIGKILL);
  _exit(0);
}

struct Watcher {
  pid_t pid = -1;
  int fd = -1;  // the write end; the all-clear goes here
};

Watcher start_watcher() {
  Watcher w;
  int p[2];
  if (pipe2(p, O_CLOEXEC) != 0) return w;
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  const pid_t pid = fork();
  if (pid == 0) watcher_main(p[0]);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  ::close(p[0]);
  if (pid < 0) {
    ::close(p[1]);
    return w;
  }
  w.pid = pid;
  w.fd = p[1];
  return w;
}

void stop_watcher(Watcher& w) {
  if (w.pid < 0) return;
  const char all_clear = 0;
  write_no_sigpipe(w.fd, &all_clear, 1);
  close_fd(w.fd);
  while (waitpid(w.pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  w.pid = -1;
}

// ---- Starting the child ----

// A descriptor at 3 or above, so that putting the child's streams on 0-2
// cannot overwrite another of them.
void lift_fd(int& fd) {
  if (fd < 0 || fd > 2) return;
  const int lifted = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (lifted < 0) return;
  ::close(fd);
  fd = lifted;
}

struct ChildPlan {
  pid_t parent;
  int in_fd, out_fd, err_fd, report_fd;
  int watch_fd;  // -1 without a watcher
  char* const* argv;
  char* const* envp;
  const std::vector<std::string>* candidates;
  const std::vector<int>* pass_fds;  // kept open across exec
};

// Between fork and exec: system calls only (see watcher_main).
[[noreturn]] void child_main(const ChildPlan& plan) {
  struct sigaction dfl = {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  for (int sig : kRelayedSignals) {
    struct sigaction cur = {};
    if (sigaction(sig, nullptr, &cur) == 0 && cur.sa_handler == relay_signal)
      sigaction(sig, &dfl, nullptr);
  }
  ::setsid();
  // Dies with the tool. A parent that died before the request took effect
  // shows as a changed parent.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != plan.parent) _exit(127);
  // A watcher that is gone must not end us with SIGPIPE; the child itself
  // then gets SIGPIPE's default action, which we (not it) do without.
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
  if (plan.watch_fd >= 0) {
    const int32_t me = ::getpid();
    while (::write(plan.watch_fd, &me, sizeof me) < 0 && errno == EINTR) {
    }
  }
  sigaction(SIGPIPE, &dfl, nullptr);
  const int targets[3] = {0, 1, 2};
  const int sources[3] = {plan.in_fd, plan.out_fd, plan.err_fd};
  for (int i = 0; i < 3; ++i) {
    if (sources[i] == targets[i]) {
      fcntl(targets[i], F_SETFD, 0);
    } else {
      ::dup2(sources[i], targets[i]);
    }
  }
  for (int fd : *plan.pass_fds) fcntl(fd, F_SETFD, 0);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  int err = ENOENT;
  bool denied = false;
  for (const std::string& path : *plan.candidates) {
    ::execve(path.c_str(), plan.argv, plan.envp);
    err = errno;
    if (err == EACCES) {
      denied = true;
    } else if (err != ENOENT && err != ENOTDIR && err != ESTALE && err != ENODEV &&
               err != ETIMEDOUT) {
      break;
    }
  }
  if (denied &&
      (err == ENOENT || err == ENOTDIR || err == ESTALE || err == ENODEV || err == ETIMEDOUT))
    err = EACCES;
  while (::write(plan.report_fd, &err, sizeof err) < 0 && errno == EINTR) {
  }
  _exit(127);
}

// ---- One run: spawn, pump, reap ----

// The pipes of one child before the fork; -1 marks an end not opened. Every
// end the child uses sits at 3 or above (see lift_fd).
struct ChildPipes {
  int out[2] = {-1, -1};
  int err[2] = {-1, -1};     // unused when standard error is merged
  int in[2] = {-1, -1};      // only with stdin_data
  int report[2] = {-1, -1};  // the child's exec errno, if exec fails
  int null_fd = -1;          // the child's standard input without stdin_data

  // Opens what `opts` needs; false with errno set (and nothing left open)
  // when a pipe or /dev/null cannot be opened.
  bool open(const ProcessOptions& opts) {
    if (pipe2(out, O_CLOEXEC) != 0 || (!opts.merge_stderr && pipe2(err, O_CLOEXEC) != 0) ||
        (opts.stdin_data && pipe2(in, O_CLOEXEC) != 0) || pipe2(report, O_CLOEXEC) != 0 ||
        (!opts.stdin_data && (null_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) < 0)) {
      const int saved = errno;
      close_all();
      errno = saved;
      return false;
    }
    for (int* fd : {&out[1], &err[1], &in[0], &null_fd}) lift_fd(*fd);
    return true;
  }

  // The ends that belong to the child, closed in the caller after the fork.
  void close_child_ends() {
    close_fd(out[1]);
    close_fd(err[1]);
    close_fd(in[0]);
    close_fd(null_fd);
    close_fd(report[1]);
  }

  void close_all() {
    for (int* p : {out, err, in, report}) {
      close_fd(p[0]);
      close_fd(p[1]);
    }
    close_fd(null_fd);
  }
};

// What execve needs, made before the fork: the child may not allocate.
struct ExecArgs {
  std::vector<std::string> candidates;  // where to look for argv[0]
  std::vector<char*> argv;
  std::vector<std::string> env_store;
  std::vector<char*> env;
  char** envp = environ;

  ExecArgs(const std::vector<std::string>& args, const ProcessOptions& opts)
      : candidates(exec_candidates(args[0])) {
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!opts.env_set.empty() || !opts.env_unset.empty()) {
      env_store = build_env(opts);
      for (auto& e : env_store) env.push_back(e.data());
      env.push_back(nullptr);
      envp = env.data();
    }
  }
};

// A started child as the caller holds it from spawn to reap.
struct RunningChild {
  pid_t pid = -1;   // also its process group and session
  int out_fd = -1;  // read end of its standard output
  int err_fd = -1;  // read end of its standard error; -1 when merged
  int in_fd = -1;   // write end of its standard input; -1 without stdin_data
  Watcher watcher;
  size_t slot = kGroupSlots;  // its group's relay slot; kGroupSlots when none was free
  bool reaped = false;        // waited for; `status` is its wait status
  int status = 0;
};

// Starts `argv` as a child in a session of its own, with a watcher beside
// it. On success the exec has happened, the child's group is registered for
// signal relay (a signal that arrived during the start is passed on now),
// and only the caller's ends of its pipes are open. On failure nothing is
// left open or running, and `error` holds the errno (EINTR: a termination
// signal has already been passed on, so no child is started).
std::optional<RunningChild> spawn(const std::vector<std::string>& argv, const ProcessOptions& opts,
                                  int& error) {
  if (argv.empty()) {
    error = EINVAL;
    return std::nullopt;
  }
  static std::once_flag relay_once;
  std::call_once(relay_once, install_relay);
  if (g_stop_signal.load() != 0) {
    error = EINTR;
    return std::nullopt;
  }
  g_starting.fetch_add(1);
  struct StartingGuard {
    bool done = false;
    void end() {
      if (!done) g_starting.fetch_sub(1);
      done = true;
    }
    ~StartingGuard() { end(); }
  } starting;
  ChildPipes pipes;
  if (!pipes.open(opts)) {
    error = errno;
    return std::nullopt;
  }

  const ExecArgs exec(argv, opts);
  ChildPlan plan;
  plan.parent = ::getpid();
  plan.in_fd = opts.stdin_data ? pipes.in[0] : pipes.null_fd;
  plan.out_fd = pipes.out[1];
  plan.err_fd = opts.merge_stderr ? pipes.out[1] : pipes.err[1];
  plan.report_fd = pipes.report[1];
  Watcher watcher = start_watcher();
  plan.watch_fd = watcher.fd;
  plan.argv = exec.argv.data();
  plan.envp = exec.envp;
  plan.candidates = &exec.candidates;
  plan.pass_fds = &opts.pass_fds;

  // No signal handler may run in the child before it has reset them.
  sigset_t all, old_mask;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old_mask);
  const pid_t pid = fork();
  if (pid == 0) child_main(plan);
  const int fork_error = errno;
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
  pipes.close_child_ends();
  if (pid < 0) {
    stop_watcher(watcher);
    error = fork_error;
    pipes.close_all();
    return std::nullopt;
  }
  // The report pipe closes at a successful exec and carries errno otherwise.
  int exec_error = 0;
  ssize_t got;
  while ((got = ::read(pipes.report[0], &exec_error, sizeof exec_error)) < 0 && errno == EINTR) {
  }
  close_fd(pipes.report[0]);
  if (got == static_cast<ssize_t>(sizeof exec_error)) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    stop_watcher(watcher);
    error = exec_error;
    pipes.close_all();
    return std::nullopt;
  }
  RunningChild c;
  c.pid = pid;
  c.watcher = watcher;
  c.out_fd = pipes.out[0];
  c.err_fd = pipes.err[0];
  c.in_fd = pipes.in[1];
  // From here on termination signals reach the child's group. The slot is
  // published before the stop flag is read, and the handler sets the flag
  // before it reads the slots, so a signal that arrived during the start
  // (when the handler found no slot, saw the start under way and let the
  // tool live) is passed on by one side or the other.
  c.slot = claim_group_slot(pid);
  if (const int sig = g_stop_signal.load()) ::kill(-pid, sig);
  starting.end();
  return c;
}

// Feeds stdin_data to the child and collects its standard output and error
// into `r` until every pipe is closed, killing its group when the output
// passes max_out. With read_after_exit_ms the child is also checked for
// between polls; once it has ended (and is reaped here) reading stops that
// many milliseconds later even if something it left behind holds the
// pipes. Leaves the caller's pipe ends closed.
void pump(RunningChild& c, const ProcessOptions& opts, ProcessResult& r) {
  size_t in_off = 0;
  if (c.in_fd >= 0) fcntl(c.in_fd, F_SETFL, O_NONBLOCK);
  char buf[65536];
  constexpr int kExitCheckMs = 50;
  std::chrono::steady_clock::time_point deadline;
  const auto started = std::chrono::steady_clock::now();
  std::optional<HeadTail> out_kept;
  if (opts.out_head_tail) out_kept.emplace(*opts.out_head_tail);
  while (c.out_fd >= 0 || c.err_fd >= 0 || c.in_fd >= 0) {
    pollfd fds[3];
    int nfds = 0;
    int idx_out = -1, idx_err = -1, idx_in = -1;
    if (c.out_fd >= 0) {
      idx_out = nfds;
      fds[nfds++] = {c.out_fd, POLLIN, 0};
    }
    if (c.err_fd >= 0) {
      idx_err = nfds;
      fds[nfds++] = {c.err_fd, POLLIN, 0};
    }
    if (c.in_fd >= 0) {
      idx_in = nfds;
      fds[nfds++] = {c.in_fd, POLLOUT, 0};
    }
    int wait_ms = -1;
    if (opts.read_after_exit_ms) {
      if (!c.reaped && waitpid(c.pid, &c.status, WNOHANG) == c.pid) {
        c.reaped = true;
        deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(*opts.read_after_exit_ms);
      }
      if (c.reaped) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        wait_ms = static_cast<int>(left.count());
      } else {
        wait_ms = kExitCheckMs;
      }
    }
    if (opts.time_limit_ms) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          started + std::chrono::milliseconds(*opts.time_limit_ms) -
          std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        if (!c.reaped) ::kill(-c.pid, SIGKILL);  // the child leads its own group
        r.timed_out = true;
        break;
      }
      if (wait_ms < 0 || left.count() < wait_ms) wait_ms = static_cast<int>(left.count());
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
    if (out_kept) {
      if (idx_out >= 0 && (fds[idx_out].revents & (POLLIN | POLLHUP | POLLERR))) {
        const ssize_t n = ::read(c.out_fd, buf, sizeof buf);
        if (n > 0) {
          out_kept->append(std::string_view(buf, static_cast<size_t>(n)));
        } else if (n == 0 || errno != EINTR) {
          close_fd(c.out_fd);
        }
      }
    } else {
      drain(idx_out, c.out_fd, r.out);
    }
    if (opts.max_out && r.out.size() > *opts.max_out && !r.out_truncated) {
      r.out.resize(*opts.max_out);
      r.out_truncated = true;
      ::kill(-c.pid, SIGKILL);  // the child leads its own group
      close_fd(c.out_fd);
    }
    drain(idx_err, c.err_fd, r.err);
    if (idx_in >= 0 && (fds[idx_in].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const std::string& data = *opts.stdin_data;
      if (in_off >= data.size()) {
        close_fd(c.in_fd);
      } else {
        ssize_t n = write_no_sigpipe(c.in_fd, data.data() + in_off, data.size() - in_off);
        if (n > 0) {
          in_off += static_cast<size_t>(n);
          if (in_off >= data.size()) close_fd(c.in_fd);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
          close_fd(c.in_fd);  // the child closed its end (EPIPE): stop feeding
        }
      }
    }
  }
  close_fd(c.out_fd);
  close_fd(c.err_fd);
  close_fd(c.in_fd);
  if (out_kept) {
    r.out_total = out_kept->total();
    HeadTail::Kept k = out_kept->finish();
    r.out = std::move(k.text);
    r.out_left_out = k.left_out;
  }
}

// Waits for the child unless the pump already has, takes its group out of
// the signal relay, lets its watcher go and records in `r` how it ended
// (neither exited nor signal set when it could not be waited for).
void reap(RunningChild& c, const ProcessOptions& opts, ProcessResult& r,
          std::chrono::steady_clock::time_point started) {
  if (opts.time_limit_ms && !c.reaped) {
    // A child may close its pipes and still go on; the limit holds for it too.
    const auto end = started + std::chrono::milliseconds(*opts.time_limit_ms);
    while (!c.reaped && std::chrono::steady_clock::now() < end) {
      if (waitpid(c.pid, &c.status, WNOHANG) == c.pid) {
        c.reaped = true;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    if (!c.reaped) {
      ::kill(-c.pid, SIGKILL);
      r.timed_out = true;
    }
  }
  while (!c.reaped) {
    if (waitpid(c.pid, &c.status, 0) == c.pid) {
      c.reaped = true;
    } else if (errno != EINTR) {
      break;
    }
  }
  if (c.slot < kGroupSlots) g_groups[c.slot].store(0);
  stop_watcher(c.watcher);
  if (!c.reaped) return;
  if (WIFEXITED(c.status)) {
    r.exited = true;
    r.exit_code = WEXITSTATUS(c.status);
  } else if (WIFSIGNALED(c.status)) {
    r.signal = WTERMSIG(c.status);
  }
}

}  // namespace

std::vector<std::string> exec_candidates(const std::string& name) {
  if (name.find('/') != std::string::npos) return {name};
  const std::string path(env_text("PATH").value_or("/bin:/usr/bin"));
  std::vector<std::string> out;
  size_t pos = 0;
  while (true) {
    const size_t colon = path.find(':', pos);
    std::string dir =
        path.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos);
    out.push_back((dir.empty() ? std::string(".") : dir) + "/" + name);
    if (colon == std::string::npos) break;
    pos = colon + 1;
  }
  return out;
}

int finish_after_children(int status) {
  const int sig = g_stop_signal.load();
  if (sig == 0) return status;
  ::signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(sig);
  return status;
}

ProcessResult run_process(const std::vector<std::string>& argv, const ProcessOptions& opts) {
  ProcessResult r;
  std::optional<RunningChild> child = spawn(argv, opts, r.start_error);
  if (!child) return r;
  r.started = true;
  const auto started = std::chrono::steady_clock::now();
  pump(*child, opts, r);
  reap(*child, opts, r, started);
  return r;
}

}  // namespace zub
