// Children never outlive zub: whether zub is asked to stop (SIGTERM, passed
// on to the child's process group, after which zub still prints what the
// command printed) or killed outright (SIGKILL), no process it started is
// left running, down to a background job of a wrapped command. And what a
// command sends to its own process group never reaches zub.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <dirent.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/process.h"
#include "support/run_zub.h"

using zub_test::TempDir;

namespace {

using Clock = std::chrono::steady_clock;

// Runs zub with `args` on a thread; its pid is known once pid() returns.
class BackgroundZub {
 public:
  BackgroundZub(const TempDir& dir, std::vector<std::string> args,
                std::vector<std::string> env = {})
      : pid_file_(dir / ("zub.pid." + std::to_string(++count_))) {
    std::vector<std::string> argv{"sh", "-c", "echo $$ > \"$0\"; exec \"$@\"", pid_file_,
                                  ZUB_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    zub::ProcessOptions o;
    o.env_set = std::move(env);
    thread_ = std::thread([this, argv, o] { result_ = zub::run_process(argv, o); });
  }
  ~BackgroundZub() {
    if (thread_.joinable()) thread_.join();
  }
  pid_t pid() const {
    std::string text;
    for (auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end;) {
      std::ifstream f(pid_file_);
      if (std::getline(f, text) && !text.empty()) return static_cast<pid_t>(std::stol(text));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
  }
  const zub::ProcessResult& wait() {
    thread_.join();
    return result_;
  }

 private:
  static inline int count_ = 0;
  std::string pid_file_;
  std::thread thread_;
  zub::ProcessResult result_;
};

// A file under /proc, read with plain system calls: the process behind it
// may end while it is read, which a stream would turn into an exception.
std::string read_proc(const std::string& path) {
  std::string text;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
  ::close(fd);
  return text;
}

// Alive means running or stopped; a zombie that nobody reaps is gone.
bool alive(pid_t pid) {
  if (::kill(pid, 0) != 0) return errno != ESRCH;
  const std::string stat = read_proc("/proc/" + std::to_string(pid) + "/stat");
  const size_t paren = stat.rfind(')');
  return paren == std::string::npos || stat.size() < paren + 3 || stat[paren + 2] != 'Z';
}

// True once none of `pids` is alive, waiting up to five seconds.
bool all_gone(const std::vector<pid_t>& pids) {
  for (auto end = Clock::now() + std::chrono::seconds(5); Clock::now() < end;) {
    bool any = false;
    for (pid_t p : pids) any |= alive(p);
    if (!any) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// The pids listed one a line in `path` once it holds `count` of them.
std::vector<pid_t> wait_for_pids(const std::string& path, size_t count) {
  for (auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end;) {
    std::ifstream f(path);
    std::vector<pid_t> pids;
    std::string line;
    while (std::getline(f, line))
      if (!line.empty()) pids.push_back(static_cast<pid_t>(std::stol(line)));
    if (pids.size() >= count) return pids;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return {};
}

// A wrapped command that prints a line, then waits on a background sleep;
// the sleep's and the shell's pids go to `pids` after the line.
std::vector<std::string> waiting_command(const std::string& pids) {
  return {
      "wrap", "--raw",
      "--",   "sh",
      "-c",   "sleep 60 & echo started; echo $! > '" + pids + "'; echo $$ >> '" + pids + "'; wait"};
}

void kill_all(const std::vector<pid_t>& pids) {
  for (pid_t p : pids) ::kill(p, SIGKILL);
}

}  // namespace

TEST(ChildLifetime, ACommandThatKillsItsOwnGroupDoesNotTakeZubWithIt) {
  // The cleanup trap kills the command's group, the command included; zub
  // survives, prints what the command printed and reports the signal death.
  auto r = zub_test::run_zub({"wrap", "--", "bash", "-c",
                              "trap \"kill 0\" EXIT; sleep 0.2 & echo \"3 failed\"; wait; exit 3"});
  EXPECT_EQ(r.out, "3 failed\n");
  EXPECT_EQ(r.err, "[zub wrap: exit 1]\n");
  EXPECT_EQ(r.status, 1);
  // A cleanup that stays within the command keeps its exit status.
  r = zub_test::run_zub(
      {"wrap", "--", "bash", "-c", "sleep 30 & trap \"kill $!\" EXIT; echo \"3 failed\"; exit 3"});
  EXPECT_EQ(r.out, "3 failed\n");
  EXPECT_EQ(r.status, 3);
}

TEST(ChildLifetime, TerminationIsPassedOnAndTheOutputStillPrinted) {
  TempDir dir;
  const std::string pid_list = dir / "pids";
  BackgroundZub zub(dir, waiting_command(pid_list));
  const pid_t zub_pid = zub.pid();
  const std::vector<pid_t> pids = wait_for_pids(pid_list, 2);
  ASSERT_GT(zub_pid, 0);
  ASSERT_EQ(pids.size(), 2u);
  ::kill(zub_pid, SIGTERM);
  const zub::ProcessResult& r = zub.wait();
  const bool gone = all_gone(pids);
  kill_all(pids);
  EXPECT_TRUE(gone) << "a child of zub outlived it";
  EXPECT_FALSE(r.exited);
  EXPECT_EQ(r.signal, SIGTERM);
  EXPECT_EQ(r.out, "started\n");
  EXPECT_EQ(r.err, "[zub wrap: exit 1]\n");
}

TEST(ChildLifetime, AKilledZubLeavesNoChildBehind) {
  TempDir dir;
  const std::string pid_list = dir / "pids";
  {
    BackgroundZub zub(dir, waiting_command(pid_list));
    const pid_t zub_pid = zub.pid();
    const std::vector<pid_t> pids = wait_for_pids(pid_list, 2);
    ASSERT_GT(zub_pid, 0);
    ASSERT_EQ(pids.size(), 2u);
    ::kill(zub_pid, SIGKILL);
    EXPECT_EQ(zub.wait().signal, SIGKILL);
    const bool gone = all_gone(pids);
    kill_all(pids);
    EXPECT_TRUE(gone) << "wrap's command outlived zub";
  }

  // The same for curl under fetch: a server that accepts nothing keeps it
  // waiting far longer than the test does.
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(listener, 8), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) +
                          "/never-answered-" + std::to_string(::getpid());
  BackgroundZub zub(dir, {"fetch", "--no-cache", url},
                    {"HOME=" + dir.path(), "no_proxy=*", "NO_PROXY=*"});
  const pid_t zub_pid = zub.pid();
  ASSERT_GT(zub_pid, 0);
  // curl is found by the URL in its command line.
  pid_t curl = 0;
  for (auto end = Clock::now() + std::chrono::seconds(10); curl == 0 && Clock::now() < end;) {
    DIR* proc = ::opendir("/proc");
    while (struct dirent* e = proc ? ::readdir(proc) : nullptr) {
      const std::string cmd = read_proc(std::string("/proc/") + e->d_name + "/cmdline");
      if (cmd.rfind("curl", 0) == 0 && cmd.find(url) != std::string::npos)
        curl = static_cast<pid_t>(std::atol(e->d_name));
    }
    if (proc) ::closedir(proc);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GT(curl, 0) << "curl never started";
  ::kill(zub_pid, SIGKILL);
  zub.wait();
  const bool gone = all_gone({curl});
  kill_all({curl});
  ::close(listener);
  EXPECT_TRUE(gone) << "curl outlived zub";
}
