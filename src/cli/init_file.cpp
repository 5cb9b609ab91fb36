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

// The real path `path` would have once made: the real path of its nearest
// existing ancestor with the missing rest after it. Nothing when a part of
// it is a link that leads nowhere (making it would create the link's
// target, wherever that is).
std::optional<std::string> resolved_for_write(const std::string& path) {
  std::string head = path, rest;
  while (true) {
    char buf[PATH_MAX];
    if (::realpath(head.c_str(), buf)) return std::string(buf) + rest;
    struct stat st;
    if (errno != ENOENT || ::lstat(head.c_str(), &st) == 0) return std::nullopt;
    const size_t slash = head.rfind('/');
    if (slash == std::string::npos || slash == 0) return std::nullopt;
    rest = head.substr(slash) + rest;
    head.resize(slash);
  }
}

bool is_under(const std::string& path, const std::string& dir) {
  return path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
         path[dir.size()] == '/';
}

}  // namespace

std::string json_error_text(const std::string& path, const JsonError& e) {
  return path + ":" + std::to_string(e.line) + ":" + std::to_string(e.column) +
         ": JSON 이 아니다: " + e.reason;
}

std::string dir_part(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<InitFile> open_init_file(const std::string& path, std::string* why,
                                       const std::string& inside) {
  InitFile f;
  f.shown = path;
  f.target = path;
  if (!inside.empty()) {
    std::optional<std::string> real = resolved_for_write(path);
    if (!real || !is_under(*real, inside)) {
      fail(why, path + ": 저장소 밖" + (real ? " (" + *real + ")" : std::string()) +
                    " 으로 이어지는 링크라 따라가서 쓰지 않는다");
      return std::nullopt;
    }
  }
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

bool replace_init_file(const InitFile& f, std::string_view text, const std::string& backup,
                       std::string* why) {
  const std::string dir = dir_part(f.target);
  if (!make_dirs(dir))
    return fail(why, dir + ": 디렉터리를 만들지 못했다: " + os_error_text(errno));
  if (f.exists && !backup.empty()) {
    if (int err = replace_file(backup, f.text, f.mode))
      return fail(why, backup + ": 이전 파일을 남기지 못했다: " + os_error_text(err));
  }
  if (int err = replace_file(f.target, text, f.mode))
    return fail(why, f.shown + ": 쓰지 못했다: " + os_error_text(err));
  return true;
}

bool remove_init_file(const InitFile& f, std::string* why) {
  if (::unlink(f.target.c_str()) != 0)
    return fail(why, f.shown + ": 지우지 못했다: " + os_error_text(errno));
  ::rmdir(dir_part(f.target).c_str());  // fails, as it should, unless left empty
  return true;
}

}  // namespace zub
