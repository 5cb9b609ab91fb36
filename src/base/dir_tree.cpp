#include "base/dir_tree.h"

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zub {

bool make_dirs(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    std::string prefix = path.substr(0, pos);
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// Empties the directory open as `dfd` (which it closes).
bool empty_dir(int dfd) {
  DIR* d = fdopendir(dfd);
  if (!d) {
    ::close(dfd);
    return false;
  }
  bool ok = true;
  while (dirent* e = readdir(d)) {
    std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    if (unlinkat(dfd, e->d_name, 0) == 0) continue;
    int sub = openat(dfd, e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0 || !empty_dir(sub) || unlinkat(dfd, e->d_name, AT_REMOVEDIR) != 0) ok = false;
  }
  closedir(d);
  return ok;
}

}  // namespace

bool remove_tree(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return true;
  int dfd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dfd < 0) return false;
  bool ok = empty_dir(dfd);
  return ::rmdir(path.c_str()) == 0 && ok;
}

}  // namespace zub
