#include "cli/filter_input.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <optional>

#include "base/file_io.h"
#include "base/shown_path.h"

namespace zub {

namespace {

void report(const std::string& path, int err, Output& out) {
  out.write_err("zub: " + shown_path(path) + ": " + file_error_text(err) + "\n");
}

// One named input through a HeadTail of `cap` bytes, or nothing after
// reporting why not; `regular` tells whether it is a regular file. A read
// error keeps what was read before it, and is reported.
std::optional<CappedRead> read_input(const std::string& path, uint64_t cap, bool& regular,
                                     bool& failed, Output& out) {
  regular = false;
  struct stat st;
  int err = 0;
  const int fd = path == "-" ? ::dup(0) : open_readable(path, st, &err);
  if (fd < 0) {
    report(path, path == "-" ? errno : err, out);
    failed = true;
    return std::nullopt;
  }
  if (path != "-" && S_ISDIR(st.st_mode)) {
    ::close(fd);
    report(path, EISDIR, out);
    failed = true;
    return std::nullopt;
  }
  regular = path != "-" && S_ISREG(st.st_mode);
  CappedRead r = read_fd_capped(fd, cap);
  ::close(fd);
  if (!r.in.ok) {
    report(path, r.in.err, out);
    failed = true;
    r.in.ok = true;
  }
  return r;
}

}  // namespace

FilterInput read_filter_input(const std::vector<std::string>& files, uint64_t cap, Output& out) {
  FilterInput r;
  if (files.empty()) {
    r.read = read_fd_capped(0, cap);
    return r;
  }
  r.on_disk = true;
  bool regular = false;
  if (files.size() == 1) {
    // One file is used as read (mapped when large), not copied.
    std::optional<CappedRead> one = read_input(files[0], cap, regular, r.failed, out);
    r.on_disk = regular;
    r.empty_handed = !one;
    if (one) r.read = std::move(*one);
    return r;
  }
  const uint64_t share = std::max<uint64_t>(cap / files.size(), 1);
  std::string joined;
  r.empty_handed = true;
  for (const std::string& path : files) {
    std::optional<CappedRead> one = read_input(path, share, regular, r.failed, out);
    if (!one) continue;
    r.on_disk = r.on_disk && regular;
    r.empty_handed = false;
    r.read.total += one->total;
    r.read.left_out += one->left_out;
    if (one->left_out > 0 && r.read.gap_size == 0) {
      r.read.gap_at = joined.size() + one->gap_at;
      r.read.gap_size = one->gap_size;
    }
    const std::string_view text = one->in.text();
    joined.append(text);
    if (!text.empty() && text.back() != '\n') joined.push_back('\n');
  }
  r.read.in.ok = true;
  r.read.in.data = std::move(joined);
  return r;
}

}  // namespace zub
