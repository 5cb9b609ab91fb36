#include "base/state_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "base/env.h"
#include "base/own_file.h"

namespace zub {

namespace {

// mkdir -p of the state home, each new directory private: the XDG rules ask
// for 0700 on the state home, and its missing parents (~/.local) are the
// user's own too.
void make_home(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    const std::string prefix = path.substr(0, i);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return;
  }
}

}  // namespace

StateDir::StateDir(StateDir&& o) noexcept
    : fd_(std::exchange(o.fd_, -1)), err_(o.err_), path_(std::move(o.path_)) {}

StateDir& StateDir::operator=(StateDir&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(o.fd_, -1);
    err_ = o.err_;
    path_ = std::move(o.path_);
  }
  return *this;
}

StateDir::~StateDir() {
  if (fd_ >= 0) ::close(fd_);
}

StateDir open_state_dir(std::string_view sub, bool create) {
  StateDir d;
  const std::string home = state_home();
  if (home.empty()) {
    d.err_ = ENOENT;
    return d;
  }
  d.path_ = home + "/zub";
  // Nearly always the directory is there already: one open, no look at the
  // state home itself.
  int fd = open_own(AT_FDCWD, d.path_.c_str(), O_RDONLY, OwnKind::kDir, &d.err_);
  if (fd < 0 && d.err_ == ENOENT && create) {
    int home_fd = ::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (home_fd < 0 && errno == ENOENT) {
      make_home(home);
      home_fd = ::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (home_fd < 0) {
      d.err_ = errno;
      return d;
    }
    fd = open_own_dir(home_fd, "zub", create, &d.err_);
    ::close(home_fd);
  }
  if (fd >= 0 && !sub.empty()) {
    d.path_ += '/';
    d.path_.append(sub);
    const int parent = fd;
    fd = open_own_dir(parent, std::string(sub).c_str(), create, &d.err_);
    ::close(parent);
  }
  d.fd_ = fd;
  return d;
}

}  // namespace zub
