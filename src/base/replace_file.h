// Replacing a file's whole content so that a crash or a concurrent reader
// sees the old bytes or the new ones, never a mix: a fresh file is written
// in the same directory, given the mode, flushed to disk and renamed over
// the old name, and the directory entry is flushed too. The rename replaces
// whatever the name held (a link included) instead of writing through it.
// And an advisory lock on a directory, so that two runs that read, change
// and replace a file there take turns. Thread-safe.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace zub {

// Returns 0, or the errno of the step that failed (the temporary file is
// removed again then, and `path` is as it was).
int replace_file(const std::string& path, std::string_view data, mode_t mode);

// Holds an exclusive flock on a directory from construction until
// destruction; waits for another holder to let go.
class DirLock {
 public:
  explicit DirLock(const std::string& dir);
  ~DirLock();
  DirLock(const DirLock&) = delete;
  DirLock& operator=(const DirLock&) = delete;
  // 0 when the lock is held, else the errno of opening or locking.
  int error() const { return err_; }

 private:
  int fd_ = -1;
  int err_ = 0;
};

}  // namespace zub
