#include "compress/raw_keep.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/env.h"
#include "base/file_io.h"
#include "base/os_error.h"
#include "base/own_file.h"
#include "base/shown_path.h"
#include "base/state_dir.h"
#include "base/text.h"

namespace zub {

namespace {

// A temporary file this old was left by a run that died while writing.
constexpr time_t kStaleTempSeconds = 3600;
constexpr std::string_view kTempPrefix = ".tmp-";

// "20261208T172554.123456Z": fixed width, so names sort by time.
std::string utc_stamp() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm;
  gmtime_r(&ts.tv_sec, &tm);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02d%02d%02d.%06ldZ", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<long>(ts.tv_nsec / 1000));
  return buf;
}

bool is_ring_name(const char* name) {
  const size_t len = std::strlen(name);
  return name[0] >= '0' && name[0] <= '9' && len > 4 && std::strcmp(name + len - 4, ".log") == 0;
}

// Removes the oldest files beyond the count and size bounds, and
// temporary files that a dead run left behind. `newest` is the file just
// written; it always stays.
void prune(int dir_fd, const std::string& newest) {
  const int list_fd = ::openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (list_fd < 0) return;
  DIR* dir = ::fdopendir(list_fd);
  if (!dir) {
    ::close(list_fd);
    return;
  }
  struct Entry {
    std::string name;
    uint64_t size;
  };
  std::vector<Entry> ring;
  const time_t now = std::time(nullptr);
  while (const struct dirent* e = ::readdir(dir)) {
    const bool temp = std::strncmp(e->d_name, kTempPrefix.data(), kTempPrefix.size()) == 0;
    if (!temp && !is_ring_name(e->d_name)) continue;
    struct stat st;
    if (::fstatat(dir_fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
      continue;
    if (temp) {
      if (now - st.st_mtime > kStaleTempSeconds) ::unlinkat(dir_fd, e->d_name, 0);
      continue;
    }
    ring.push_back({e->d_name, static_cast<uint64_t>(st.st_size)});
  }
  ::closedir(dir);
  std::sort(ring.begin(), ring.end(),
            [](const Entry& a, const Entry& b) { return a.name > b.name; });
  uint64_t total = 0;
  size_t kept = 0;
  for (const Entry& e : ring) {
    if (e.name == newest || (kept < kRawKeepRuns && total + e.size <= kRawKeepBytes)) {
      ++kept;
      total += e.size;
      continue;
    }
    ::unlinkat(dir_fd, e.name.c_str(), 0);
  }
}

using RawKept = RawCopy;

// Writes `bytes` to a new file of the ring; of more than kRawKeepBytes,
// only the whole lines within the last kRawKeepBytes (a single longer last
// line is kept from where the bound cuts it). The file is written with
// mode 0600 under a temporary name and renamed; then the oldest files
// beyond the bounds are removed. The name is "{UTC time}-{pid}-{sub}.log",
// with "-exit{N}" before ".log" when `exit_status` is given.
RawKept keep_raw(std::string_view sub, std::string_view bytes, std::optional<int> exit_status) {
  RawKept k;
  StateDir dir = open_state_dir("raw", true);
  k.path = dir.path();
  if (!dir.ok()) {
    k.err = dir.error();
    return k;
  }
  if (bytes.size() > kRawKeepBytes) {
    // The kept part starts with a whole line, so its first line is not a
    // fragment (and not half a UTF-8 sequence that `zub read` would refuse).
    size_t from = bytes.size() - kRawKeepBytes;
    const size_t nl = bytes.find('\n', from > 0 ? from - 1 : 0);
    if (nl != std::string_view::npos && nl + 1 < bytes.size()) from = nl + 1;
    k.dropped = from;
    bytes.remove_prefix(from);
  }
  const std::string stamp = utc_stamp();
  std::string name = stamp + "-" + std::to_string(::getpid()) + "-" + std::string(sub);
  if (exit_status) name += "-exit" + std::to_string(*exit_status);
  name += ".log";
  const std::string temp = std::string(kTempPrefix) + name;
  const int fd =
      open_own(dir.fd(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, OwnKind::kFile, &k.err, 0600);
  if (fd < 0) return k;
  k.err = write_fully(fd, bytes);
  bool ok = k.err == 0;
  if (::close(fd) != 0 && ok) {
    k.err = errno;
    ok = false;
  }
  if (ok && ::renameat(dir.fd(), temp.c_str(), dir.fd(), name.c_str()) != 0) {
    k.err = errno;
    ok = false;
  }
  if (!ok) {
    ::unlinkat(dir.fd(), temp.c_str(), 0);
    return k;
  }
  k.ok = true;
  k.path += '/';
  k.path += name;
  k.lines = count_lines(bytes);
  prune(dir.fd(), name);
  return k;
}

// The note on standard error for a keep_raw result. `never_read`: bytes of
// the input that a cap left out before anything was kept (the kept bytes
// hold a gap line there).
std::string raw_kept_note(const RawKept& k, uint64_t never_read) {
  if (!k.ok)
    return "[zub: 원문 보관 실패: " + shown_path(k.path) + ": " + os_error_text(k.err) + "]\n";
  const std::string path = shown_path(k.path);
  const std::string lines = std::to_string(k.lines);
  // The path once, in the command that reads it back: it is long, and the
  // note comes after every shortened output.
  std::string note = "[zub: 원문 보관 (" + lines + " lines";
  if (k.dropped > 0)
    note += ", 한도 64 MiB 라 마지막 64 MiB 만: 앞 " + std::to_string(k.dropped) + " bytes 버림";
  if (never_read > 0)
    note += ", 입력 상한으로 가운데 " + std::to_string(never_read) + " bytes 는 보관 전에 건너뜀";
  note += ") · zub read " + path + " 1-" + lines + "]\n";
  return note;
}

}  // namespace

RawCopy keep_raw_copy(std::string_view sub, std::string_view bytes) {
  return keep_raw(sub, bytes, std::nullopt);
}

void keep_raw_if_shortened(std::string_view sub, std::string_view read, uint64_t printed,
                           std::optional<int> exit_status, Output& out, uint64_t never_read,
                           bool dropped) {
  if ((printed >= read.size() && !dropped) || env_switch_set("ZUB_NO_RAW")) return;
  out.write_err(raw_kept_note(keep_raw(sub, read, exit_status), never_read));
}

}  // namespace zub
