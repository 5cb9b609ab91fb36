#include "web/fetch_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "base/ascii.h"
#include "base/dir_tree.h"
#include "base/file_io.h"
#include "base/fnv.h"
#include "base/number.h"
#include "base/own_file.h"
#include "base/text.h"
#include "base/unix_time.h"
#include "base/utf8.h"
#include "web/url_ttl.h"
#include "web/wire_format.h"

namespace zub {

namespace {

// Whole seconds between a file time and now; nothing for a time ahead of
// the clock.
std::optional<uint64_t> age_of(const struct timespec& mtime) {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  __extension__ typedef __int128 Wide;
  Wide diff_ns =
      (static_cast<Wide>(now.tv_sec) - mtime.tv_sec) * 1000000000 + (now.tv_nsec - mtime.tv_nsec);
  if (diff_ns < 0) return std::nullopt;
  return static_cast<uint64_t>(diff_ns / 1000000000);
}

// Validators and URLs are header values and arguments, which curl keeps far
// below this.
constexpr uint64_t kMaxRecordBytes = uint64_t{1} << 20;

// Fetched pages are private to the user, like everything else zub keeps.
constexpr unsigned kFileMode = 0600;

// A cache file opened for reading: never through a link, only a regular
// file (a device or a FIFO planted in the directory is neither read nor
// waited on).
struct CacheFile {
  int fd = -1;
  struct stat st {};
  CacheFile() = default;
  CacheFile(const CacheFile&) = delete;
  CacheFile& operator=(const CacheFile&) = delete;
  ~CacheFile() {
    if (fd >= 0) ::close(fd);
  }
  bool open(const std::string& path) {
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    return fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  }
  // The whole file when it holds at most `cap` bytes.
  std::optional<std::string> read(uint64_t cap) const {
    if (static_cast<uint64_t>(st.st_size) > cap) return std::nullopt;
    // One byte more than the cap shows a file that grew; the largest cap
    // is no cap and has no byte more.
    ReadResult r = read_fd_all(fd, cap == UINT64_MAX ? cap : cap + 1);
    if (!r.ok || r.data.size() > cap) return std::nullopt;  // unreadable, or it grew while we read
    return std::move(r.data);
  }
};

std::optional<CacheRecord> read_record_at(const std::string& path) {
  CacheFile f;
  if (!f.open(path)) return std::nullopt;
  auto text = f.read(kMaxRecordBytes);
  if (!text) return std::nullopt;
  return parse_cache_record(*text);
}

// The body file's text when it is usable and matches what `rec` names.
std::optional<std::string> read_body(const CacheFile& f, const std::optional<CacheRecord>& rec,
                                     uint64_t cap) {
  auto text = f.read(cap);
  if (!text || !is_valid_utf8(*text)) return std::nullopt;
  if (rec && rec->body && !(*rec->body == body_check_of(*text))) return std::nullopt;
  return text;
}

}  // namespace

BodyCheck body_check_of(std::string_view body) {
  return BodyCheck{body.size(), fetch_key_hash(body)};
}

namespace {

std::optional<BodyCheck> parse_body_check(std::string_view line) {
  const size_t space = line.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  auto size = parse_u64(line.substr(0, space));
  std::string_view hex = line.substr(space + 1);
  if (!size || hex.size() != 16) return std::nullopt;
  uint64_t hash = 0;
  for (char c : hex) {
    // The writer writes lower case only; anything else was not written by it.
    const int v = is_upper(c) ? -1 : hex_digit_value(c);
    if (v < 0) return std::nullopt;
    hash = hash << 4 | static_cast<uint64_t>(v);
  }
  return BodyCheck{*size, hash};
}

}  // namespace

std::optional<CacheRecord> parse_cache_record(std::string_view text) {
  std::vector<std::string_view> lines = split_lines(text);
  if (lines.size() < 2) return std::nullopt;
  auto fetched = parse_u64(lines[0]);
  auto lifetime = parse_u64(lines[1]);
  if (!fetched || !lifetime) return std::nullopt;
  CacheRecord rec;
  rec.fetch_time = *fetched;
  rec.lifetime = *lifetime;
  if (lines.size() > 2) rec.etag = std::string(lines[2]);
  if (lines.size() > 3) rec.last_modified = std::string(lines[3]);
  if (lines.size() > 4) rec.body = parse_body_check(lines[4]);
  if (lines.size() > 5) rec.url = std::string(lines[5]);
  return rec;
}

bool cacheable_url(std::string_view url) {
  return url.find_first_of("\r\n") == std::string_view::npos;
}

std::string format_cache_record(const CacheRecord& rec) {
  std::string s = std::to_string(rec.fetch_time);
  s += '\n';
  s += std::to_string(rec.lifetime);
  s += '\n';
  s += rec.etag;
  s += '\n';
  s += rec.last_modified;
  s += '\n';
  if (rec.body) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(rec.body->hash));
    s += std::to_string(rec.body->size);
    s += ' ';
    s.append(hash, 16);
    s += '\n';
  } else if (rec.url) {
    s += '\n';
  }
  if (rec.url) {
    s += *rec.url;
    s += '\n';
  }
  return s;
}

CacheEntry::CacheEntry(std::string_view url, const FetchPolicy& policy)
    : url_(url),
      refresh_(policy.refresh),
      stale_floor_(policy.stale_floor),
      ttl_(policy.ttl),
      fetch_max_(policy.fetch_max) {
  if (policy.no_cache || !policy.cache_dir || !cacheable_url(url)) return;
  dir_ = policy.cache_dir;
  body_path_ = path_join(*dir_, cache_file_name(url));
  record_path_ = body_path_ + std::string(kRecordSuffix);
}

// The parents are the user's own directories (~/.claude/cache) and are made
// as mkdir -p makes them; the cache directory itself is opened as the
// user's own (never through a link) and left at 0700.
bool CacheEntry::make_dir() const {
  if (!dir_) return false;
  const size_t slash = dir_->rfind('/');
  if (slash != std::string::npos && slash > 0 && !make_dirs(dir_->substr(0, slash))) return false;
  int err = 0;
  const int fd = open_own_dir(AT_FDCWD, dir_->c_str(), true, &err);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

uint64_t CacheEntry::url_ttl() const { return zub::url_ttl(url_, ttl_); }

CacheEntry::RecordRead CacheEntry::read_record() const {
  RecordRead r;
  if (!dir_) return r;
  r.rec = read_record_at(record_path_);
  if (r.rec && r.rec->url && *r.rec->url != url_) {
    r.rec.reset();
    r.foreign = true;
  }
  return r;
}

std::optional<CacheRecord> CacheEntry::record() const { return read_record().rec; }

std::optional<std::string> CacheEntry::stored_body() const {
  if (!dir_) return std::nullopt;
  const RecordRead r = read_record();
  if (r.foreign) return std::nullopt;
  CacheFile f;
  if (!f.open(body_path_)) return std::nullopt;
  return read_body(f, r.rec, fetch_max_);
}

std::optional<CacheEntry::Fresh> CacheEntry::fresh() const {
  if (refresh_ || !dir_) return std::nullopt;
  RecordRead r = read_record();
  if (r.foreign) return std::nullopt;
  CacheFile f;
  if (!f.open(body_path_)) return std::nullopt;
  auto age = age_of(f.st.st_mtim);
  if (!age) return std::nullopt;

  uint64_t lifetime;
  auto& rec = r.rec;
  if (!rec || rec->lifetime == kNoLifetime) {
    lifetime = url_ttl();
  } else {
    lifetime = std::max(rec->lifetime, stale_floor_);
  }
  if (lifetime == 0 || *age > lifetime) return std::nullopt;

  auto text = read_body(f, rec, fetch_max_);
  if (!text) return std::nullopt;
  return Fresh{std::move(*text), *age, lifetime};
}

std::optional<CacheEntry::Validated> CacheEntry::validated() const {
  if (refresh_ || !dir_) return std::nullopt;
  auto rec = record();
  if (!rec || (rec->etag.empty() && rec->last_modified.empty())) return std::nullopt;
  CacheFile f;
  if (!f.open(body_path_)) return std::nullopt;
  auto body = read_body(f, rec, fetch_max_);
  if (!body) return std::nullopt;
  return Validated{std::move(*rec), std::move(*body)};
}

std::optional<std::string> CacheEntry::revalidate(std::optional<std::string> stored,
                                                  std::string_view header_json) const {
  const bool writable = make_dir();
  if (!stored || !writable) return std::nullopt;
  if (auto rec = record()) {
    rec->fetch_time = unix_now();
    if (!header_json.empty()) {
      Freshness f = freshness_from_headers(header_json);
      if (f.may_store) rec->lifetime = f.lifetime;
    }
    write_file_atomic(record_path_, format_cache_record(*rec), kFileMode);
  }
  // The age clock is the body file's modification time; setting it to now
  // is the same as rewriting the unchanged bytes, without a window in which
  // a concurrent store could be overwritten by the older text.
  ::utimensat(AT_FDCWD, body_path_.c_str(), nullptr, AT_SYMLINK_NOFOLLOW);
  return stored;
}

namespace {

// A validator with a control character would break the line-based record
// and be sent back verbatim in the next conditional request header, so such
// a value is not kept (the entry then cannot be revalidated).
std::string validator(std::string_view header_json, std::string_view name) {
  std::string v = header_value(header_json, name).value_or(std::string());
  for (char c : v)
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return std::string();
  return v;
}

}  // namespace

void CacheEntry::store(std::string_view body, std::optional<std::string_view> header_json) const {
  CacheRecord rec;
  if (header_json) {
    Freshness f = freshness_from_headers(*header_json);
    if (!f.may_store) return;
    rec.etag = validator(*header_json, "etag");
    rec.last_modified = validator(*header_json, "last-modified");
    if (f.lifetime == kNoLifetime) {
      if (url_ttl() == 0) return;
    } else if (f.lifetime == 0) {
      // Kept only when it can be revalidated (or ZUB_STALE serves it anyway).
      if (stale_floor_ == 0 && rec.etag.empty() && rec.last_modified.empty()) return;
    }
    rec.lifetime = f.lifetime;
  } else {
    if (url_ttl() == 0) return;
    rec.lifetime = kNoLifetime;
  }
  if (!make_dir()) return;
  rec.fetch_time = unix_now();
  rec.body = body_check_of(body);
  rec.url = url_;
  // Record first. Until the body follows, the record names a body that is
  // not there (a miss); if it cannot be written (a full disk), the previous
  // pair stays as it was. A body written first could be left without its
  // record, and would then be served for its URL class's lifetime whatever
  // the server had said.
  if (!write_file_atomic(record_path_, format_cache_record(rec), kFileMode)) return;
  if (!write_file_atomic(body_path_, body, kFileMode)) {
    // The record names a body that is not there, and the body there has no
    // record any more: neither may be served.
    ::unlink(record_path_.c_str());
    ::unlink(body_path_.c_str());
  }
}

}  // namespace zub
