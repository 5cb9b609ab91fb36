#include "base/dir_reader.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "base/skip_names.h"
#include "base/utf8.h"

namespace zub {

DirReader::DirReader(const std::string& path) : dir_(::opendir(path.c_str())) {
  if (dir_ == nullptr) open_error_ = errno;
}

DirReader::~DirReader() {
  if (dir_ != nullptr) ::closedir(dir_);
}

uint64_t DirReader::file_size(const DirEntry& e) const {
  if (e.sized) return e.size;
  struct stat st;
  if (dir_ == nullptr || ::fstatat(::dirfd(dir_), e.raw.data(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return 0;
  return static_cast<uint64_t>(st.st_size);
}

DIR* DirReader::release() {
  DIR* d = dir_;
  dir_ = nullptr;
  return d;
}

bool DirReader::next(DirEntry& e) {
  if (dir_ == nullptr) return false;
  for (;;) {
    errno = 0;
    const dirent* d = ::readdir(dir_);
    if (d == nullptr) return false;  // the end, or an unreadable rest: both end the listing
    const char* raw = d->d_name;
    if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0))) continue;
    e.raw = raw;
    e.utf8 = is_valid_utf8(e.raw);
    if (e.utf8) {
      e.name = e.raw;
    } else {
      lossy_ = decode_lossy(e.raw);
      e.name = lossy_;
    }
    if (is_skipped_name(e.name)) continue;
    e.sized = false;
    e.size = 0;
    if (d->d_type == DT_UNKNOWN) {
      struct stat st;
      if (::fstatat(::dirfd(dir_), raw, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (S_ISREG(st.st_mode)) {
        e.dir = false;
        e.sized = true;
        e.size = static_cast<uint64_t>(st.st_size);
      } else if (S_ISDIR(st.st_mode)) {
        e.dir = true;
      } else {
        continue;
      }
      return true;
    }
    if (d->d_type != DT_REG && d->d_type != DT_DIR) continue;
    e.dir = d->d_type == DT_DIR;
    return true;
  }
}

}  // namespace zub
