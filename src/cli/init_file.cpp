#include "cli/init_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "base/dir_tree.h"
#include "base/file_io.h"
#include "base/os_error.h"
#include "base/replace_file.h"

namespace zub {

namespace {

// Settings and notes are a few kilobytes; anything near this is not ours.
constexpr uint64_t kMaxInitFileBytes = uint64_t{8} << 20;

bool fail(std::string* why, std::string text) {
  *why = std::move(text);
  return false;
}

}  // namespace

std::string dir_part(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<InitFile> open_init_file(const std::string& path, std::string* why) {
  InitFile f;
  f.shown = path;
  f.target = path;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return f;
    fail(why, path + ": " + os_error_text(errno));
    return std::nullopt;
  }
  if (S_ISLNK(st.st_mode)) {
    if (st.st_uid != ::geteuid()) {
      fail(why, path + ": 다른 사용자의 심볼릭 링크라 따라가서 쓰지 않는다");
      return std::nullopt;
    }
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) {
      fail(why, path + ": 심볼릭 링크가 가리키는 파일이 없다: " + os_error_text(errno));
      return std::nullopt;
    }
    f.target = resolved;
    if (::stat(f.target.c_str(), &st) != 0) {
      fail(why, path + ": " + os_error_text(errno));
      return std::nullopt;
    }
  }
  if (!S_ISREG(st.st_mode)) {
    fail(why, path + ": 일반 파일이 아니다");
    return std::nullopt;
  }
  if (st.st_uid != ::geteuid()) {
    fail(why, path + ": 다른 사용자의 파일이라 바꾸지 않는다");
    return std::nullopt;
  }
  if ((st.st_mode & S_IWUSR) == 0) {
    fail(why, path + ": 읽기 전용 파일이라 바꾸지 않는다 (쓰게 하려면 chmod u+w)");
    return std::nullopt;
  }
  ReadResult r = read_file_prefix(f.target, kMaxInitFileBytes + 1);
  if (!r.ok) {
    fail(why, path + ": " + file_error_text(r.err));
    return std::nullopt;
  }
  if (r.data.size() > kMaxInitFileBytes) {
    fail(why, path + ": 8 MiB 가 넘어 설정 파일로 보지 않는다");
    return std::nullopt;
  }
  f.exists = true;
  f.mode = st.st_mode & 07777;
  f.text = std::move(r.data);
  return f;
}

bool replace_init_file(const InitFile& f, std::string_view text, std::string_view backup_suffix,
                       std::string* why) {
  const std::string dir = dir_part(f.target);
  if (!make_dirs(dir))
    return fail(why, dir + ": 디렉터리를 만들지 못했다: " + os_error_text(errno));
  if (f.exists && !backup_suffix.empty()) {
    const std::string backup = f.target + std::string(backup_suffix);
    if (int err = replace_file(backup, f.text, f.mode))
      return fail(why, backup + ": 이전 파일을 남기지 못했다: " + os_error_text(err));
  }
  if (int err = replace_file(f.target, text, f.mode))
    return fail(why, f.shown + ": 쓰지 못했다: " + os_error_text(err));
  return true;
}

bool remove_init_file(const InitFile& f, std::string_view backup_suffix, std::string* why) {
  const int rc =
      backup_suffix.empty()
          ? ::unlink(f.target.c_str())
          : std::rename(f.target.c_str(), (f.target + std::string(backup_suffix)).c_str());
  if (rc != 0) return fail(why, f.shown + ": 지우지 못했다: " + os_error_text(errno));
  return true;
}

}  // namespace zub
