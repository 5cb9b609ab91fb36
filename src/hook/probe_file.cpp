#include "hook/probe_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "base/ascii.h"
#include "base/env.h"
#include "base/number.h"
#include "base/own_file.h"
#include "base/unicode.h"

namespace zub {

namespace {

constexpr size_t kMaxIdChars = 48;
// A count never needs more; anything longer is not ours to parse.
constexpr size_t kMaxProbeBytes = 64;

bool is_id_char(char c) { return is_alnum(c) || c == '-'; }

}  // namespace

std::string probe_path(const std::optional<std::string>& session_id) {
  std::string id;
  if (!session_id) {
    id = "x";
  } else {
    for (char c : *session_id) {
      if (id.size() == kMaxIdChars) break;
      if (is_id_char(c)) id += c;
    }
  }
  std::string dir = temp_dir();
  if (dir.back() != '/') dir += '/';
  return dir + "zub-probe-" + id;
}

std::string post_marker_path(const std::string& probe) { return probe + "-post"; }

uint32_t read_probe_count(const std::string& path) {
  int err = 0;
  const int fd = open_own(AT_FDCWD, path.c_str(), O_RDONLY, OwnKind::kFile, &err);
  if (fd < 0) return 0;
  char buf[kMaxProbeBytes + 1];
  size_t got = 0;
  while (got < sizeof buf) {
    ssize_t n = ::read(fd, buf + got, sizeof buf - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (got > kMaxProbeBytes) return 0;
  return parse_u32(trim_ws(std::string_view(buf, got))).value_or(0);
}

bool write_probe_count(const std::string& path, uint64_t count) {
  // A fresh file with an unpredictable name, created exclusively with mode
  // 0600, then renamed over the probe path: rename replaces a link or a
  // foreign file by name instead of writing through it, and in a sticky
  // temporary directory it refuses to replace another user's file at all.
  std::string tmp = path + ".XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) return false;
  std::string text = std::to_string(count);
  bool ok = true;
  size_t off = 0;
  while (off < text.size()) {
    ssize_t n = ::write(fd, text.data() + off, text.size() - off);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    off += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

}  // namespace zub
