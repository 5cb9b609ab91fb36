#include "cli/filter_input.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

#include "base/file_io.h"
#include "base/shown_path.h"

namespace zub {

namespace {

// The descriptor of one named input, or -1 after reporting why not;
// `regular` tells whether it is a regular file.
int open_input(const std::string& path, bool& regular, Output& out) {
  regular = false;
  if (path == "-") return ::dup(0);
  struct stat st;
  int err = 0;
  int fd = open_readable(path, st, &err);
  regular = fd >= 0 && S_ISREG(st.st_mode);
  if (fd >= 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    fd = -1;
    err = EISDIR;
  }
  if (fd < 0) out.write_err("zub: " + shown_path(path) + ": " + file_error_text(err) + "\n");
  return fd;
}

}  // namespace

FilterInput read_filter_input(const std::vector<std::string>& files, uint64_t cap, Output& out) {
  FilterInput r;
  if (files.empty()) {
    r.read = read_fd_capped(0, cap);
    return r;
  }
  const uint64_t share = std::max<uint64_t>(cap / files.size(), 1);
  std::string joined;
  bool any = false;
  r.on_disk = true;
  for (const std::string& path : files) {
    bool regular = false;
    const int fd = open_input(path, regular, out);
    r.on_disk = r.on_disk && regular;
    if (fd < 0) {
      r.failed = true;
      continue;
    }
    CappedRead one = read_fd_capped(fd, share);
    ::close(fd);
    if (!one.in.ok) {
      out.write_err("zub: " + shown_path(path) + ": " + file_error_text(one.in.err) + "\n");
      r.failed = true;
    }
    r.read.total += one.total;
    r.read.left_out += one.left_out;
    if (files.size() == 1) {
      // One file is used as read (mapped when large), not copied.
      r.read.in = std::move(one.in);
      r.read.in.ok = true;
      r.read.gap_at = one.gap_at;
      r.read.gap_size = one.gap_size;
      any = true;
      break;
    }
    if (one.left_out > 0 && r.read.gap_size == 0) {
      r.read.gap_at = joined.size() + one.gap_at;
      r.read.gap_size = one.gap_size;
    }
    const std::string_view text = one.in.text();
    joined.append(text);
    if (!text.empty() && text.back() != '\n') joined.push_back('\n');
    any = true;
  }
  r.empty_handed = !any;
  if (files.size() > 1 || !any) {
    r.read.in = ReadResult();
    r.read.in.ok = true;
    r.read.in.data = std::move(joined);
  }
  return r;
}

}  // namespace zub
