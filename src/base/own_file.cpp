#include "base/own_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zub {

int open_own(int dir_fd, const char* name, int flags, OwnKind kind, int* err, mode_t mode) {
  int local = 0;
  if (err == nullptr) err = &local;
  flags |= O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  if (kind == OwnKind::kDir) flags |= O_DIRECTORY;
  const int fd = ::openat(dir_fd, name, flags, mode);
  if (fd < 0) {
    *err = errno;
    return -1;
  }
  struct stat st;
  int bad = 0;
  if (::fstat(fd, &st) != 0) {
    bad = errno;
  } else if (kind == OwnKind::kFile ? !S_ISREG(st.st_mode) : !S_ISDIR(st.st_mode)) {
    bad = kind == OwnKind::kFile ? EINVAL : ENOTDIR;
  } else if (st.st_uid != ::geteuid()) {
    bad = EPERM;
  } else if (kind == OwnKind::kDir && (st.st_mode & 077) != 0 &&
             ::fchmod(fd, st.st_mode & 0700) != 0) {
    bad = errno;
  }
  if (bad != 0) {
    ::close(fd);
    *err = bad;
    return -1;
  }
  return fd;
}

int open_own_dir(int dir_fd, const char* name, bool create, int* err) {
  int fd = open_own(dir_fd, name, O_RDONLY, OwnKind::kDir, err);
  if (fd >= 0 || !create || *err != ENOENT) return fd;
  if (::mkdirat(dir_fd, name, 0700) != 0 && errno != EEXIST) {
    *err = errno;
    return -1;
  }
  return open_own(dir_fd, name, O_RDONLY, OwnKind::kDir, err);
}

}  // namespace zub
