#include "cli/gain_ledger.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/file_io.h"
#include "base/number.h"
#include "base/own_file.h"
#include "base/state_dir.h"
#include "base/unix_time.h"

namespace zub {

namespace {

constexpr size_t kMaxSubLength = 16;
// A ledger file is read at most this far; rotation keeps it far smaller.
constexpr size_t kMaxReadBytes = size_t{16} << 20;

bool valid_sub(std::string_view s) {
  if (s.empty() || s.size() > kMaxSubLength) return false;
  for (char c : s)
    if (c < 'a' || c > 'z') return false;
  return true;
}

// No record is written later than now; a day's margin covers clocks set back.
constexpr uint64_t kClockSlackSeconds = 86400;

void read_records(int dir_fd, const char* name, GainLedger& ledger) {
  const uint64_t latest = unix_now() + kClockSlackSeconds;
  const int fd = open_own(dir_fd, name, O_RDONLY, OwnKind::kFile, nullptr);
  if (fd < 0) return;
  const ReadResult in = read_fd_all(fd, kMaxReadBytes);
  ::close(fd);
  std::string_view rest = in.data;
  while (!rest.empty()) {
    const size_t nl = rest.find('\n');
    // A line without its line feed is a record still being written, or cut.
    const bool whole = nl != std::string_view::npos;
    const std::string_view line = rest.substr(0, whole ? nl : rest.size());
    rest.remove_prefix(whole ? nl + 1 : rest.size());
    if (whole && line.empty()) continue;  // a writer's fresh start after a torn record
    std::optional<GainRecord> r = whole ? parse_gain_record(line) : std::nullopt;
    // A record torn by a full disk and the whole one appended after it fuse
    // into one line that parses, with a time that lies ages ahead.
    if (r && r->time > latest) r.reset();
    if (r) {
      ledger.records.push_back(std::move(*r));
    } else {
      ++ledger.broken;
    }
  }
}

}  // namespace

// The current ledger is renamed away only while the name still refers to
// the file this call opened: another call may have rotated it a moment ago,
// and renaming its fresh successor would throw the full one away. The check
// and the rename happen under a lock on the full file, so no other call can
// rotate it between them; once it is renamed, every call still waiting on
// that lock finds the name on another file and leaves it alone. (Only a
// full file is renamed, and a fresh one is created only where the name is
// free, so the name cannot change under the lock but by this rename.)
void rotate_gain_ledger(int dir_fd, int fd, const std::function<void()>& between) {
  struct stat mine, named;
  if (::fstat(fd, &mine) != 0 || static_cast<uint64_t>(mine.st_size) < kGainLedgerRotateBytes)
    return;
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) return;
  if (::fstatat(dir_fd, kGainLedgerName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      named.st_ino == mine.st_ino && named.st_dev == mine.st_dev) {
    if (between) between();
    ::renameat(dir_fd, kGainLedgerName, dir_fd, kGainLedgerOldName);
  }
  ::flock(fd, LOCK_UN);
}

std::string format_gain_record(const GainRecord& r) {
  std::string line;
  line.reserve(80);
  append_number(line, r.time);
  line += '\t';
  line += r.sub;
  line += '\t';
  append_number(line, r.baseline);
  line += '\t';
  append_number(line, r.printed);
  line += '\t';
  append_number(line, r.ms);
  line += '\t';
  append_number(line, r.status);
  line += '\n';
  return line;
}

std::optional<GainRecord> parse_gain_record(std::string_view line) {
  std::string_view f[6];
  size_t n = 0;
  while (n < 6) {
    const size_t tab = line.find('\t');
    if (n == 5) {
      if (tab != std::string_view::npos) return std::nullopt;
      f[n++] = line;
      break;
    }
    if (tab == std::string_view::npos) return std::nullopt;
    f[n++] = line.substr(0, tab);
    line.remove_prefix(tab + 1);
  }
  if (!valid_sub(f[1])) return std::nullopt;
  GainRecord r;
  r.sub = std::string(f[1]);
  uint64_t* slots[5] = {&r.time, &r.baseline, &r.printed, &r.ms, &r.status};
  const size_t fields[5] = {0, 2, 3, 4, 5};
  for (size_t k = 0; k < 5; ++k) {
    const std::string_view t = f[fields[k]];
    // Written by format_gain_record: digits only, never a sign.
    if (t.empty() || t[0] == '+') return std::nullopt;
    const std::optional<uint64_t> v = parse_u64(t);
    if (!v) return std::nullopt;
    *slots[k] = *v;
  }
  return r;
}

bool append_gain_record(const GainRecord& r) {
  StateDir dir = open_state_dir("", true);
  if (!dir.ok()) return false;
  int err = 0;
  const int fd =
      open_own(dir.fd(), kGainLedgerName, O_RDWR | O_APPEND | O_CREAT, OwnKind::kFile, &err, 0600);
  if (fd < 0) return false;
  rotate_gain_ledger(dir.fd(), fd);
  std::string line = format_gain_record(r);
  // An earlier append cut short (a full disk) left a line without its line
  // feed; a record appended to it would fuse with it into one that parses.
  // The record then starts on a line of its own. (Should another call end
  // that line meanwhile, the reader skips the empty line this leaves.)
  struct stat st;
  char last = '\n';
  if (::fstat(fd, &st) == 0 && st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 &&
      last != '\n')
    line.insert(line.begin(), '\n');
  ssize_t n;
  do {
    n = ::write(fd, line.data(), line.size());
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  return n == static_cast<ssize_t>(line.size());
}

GainLedger read_gain_ledger() {
  GainLedger ledger;
  StateDir dir = open_state_dir("", false);
  ledger.dir = dir.path();
  if (!dir.ok()) return ledger;
  read_records(dir.fd(), kGainLedgerOldName, ledger);
  read_records(dir.fd(), kGainLedgerName, ledger);
  return ledger;
}

bool reset_gain_ledger(int* err) {
  StateDir dir = open_state_dir("", false);
  if (!dir.ok()) {
    if (dir.error() == ENOENT) return true;
    *err = dir.error();
    return false;
  }
  for (const char* name : {kGainLedgerName, kGainLedgerOldName}) {
    if (::unlinkat(dir.fd(), name, 0) != 0 && errno != ENOENT) {
      *err = errno;
      return false;
    }
  }
  return true;
}

}  // namespace zub
