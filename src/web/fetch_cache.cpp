#include "web/fetch_cache.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <algorithm>
#include <vector>
#include <sys/stat.h>

#include "base/file_io.h"
#include "base/fnv.h"
#include "base/number.h"
#include "base/output.h"
#include "base/text.h"
#include "base/utf8.h"
#include "web/cache_env.h"
#include "web/url_ttl.h"

namespace zub {

namespace {

constexpr std::string_view kCacheSubdir = ".claude/cache/zub-fetch";

// mkdir -p with mode 0777 (before the umask); true when `path` ends up a
// directory.
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

std::string key_name(std::string_view url) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(fetch_key_hash(url)));
  return std::string(buf, 16);
}

// Whole seconds between a file time and now; nothing for a time ahead of
// the clock.
std::optional<uint64_t> age_of(const struct timespec& mtime) {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  __extension__ typedef __int128 Wide;
  Wide diff_ns = (static_cast<Wide>(now.tv_sec) - mtime.tv_sec) * 1000000000 +
                 (now.tv_nsec - mtime.tv_nsec);
  if (diff_ns < 0) return std::nullopt;
  return static_cast<uint64_t>(diff_ns / 1000000000);
}

std::optional<std::string> read_text(const std::string& path) {
  ReadResult r = read_file(path);
  if (!r.ok || !is_valid_utf8(r.data)) return std::nullopt;
  return std::move(r.data);
}

std::optional<CacheRecord> read_record_beside(const std::string& body_path) {
  ReadResult r = read_file(body_path + ".m");
  if (!r.ok) return std::nullopt;
  return parse_cache_record(r.data);
}

void debug_note(const std::string& text) {
  if (cache_debug()) write_all_or_exit(2, text);
}

}  // namespace

uint64_t unix_now() {
  std::time_t t = std::time(nullptr);
  return t > 0 ? static_cast<uint64_t>(t) : 0;
}

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
  return rec;
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
  return s;
}

std::optional<std::string> cache_dir() {
  const char* home = std::getenv("HOME");
  // An empty HOME would put the cache in whatever directory zub runs in.
  if (!home || !*home || !is_valid_utf8(home)) return std::nullopt;
  return path_join(home, kCacheSubdir);
}

std::optional<std::string> cache_body_path(std::string_view url) {
  if (cache_disabled()) return std::nullopt;
  auto dir = cache_dir();
  if (!dir || !make_dirs(*dir)) return std::nullopt;
  return path_join(*dir, key_name(url));
}

std::optional<CacheRecord> read_meta(std::string_view url) {
  auto body = cache_body_path(url);
  if (!body) return std::nullopt;
  return read_record_beside(*body);
}

void write_meta(std::string_view url, const CacheRecord& rec) {
  auto body = cache_body_path(url);
  if (!body) return;
  write_file_atomic(*body + ".m", format_cache_record(rec));
}

std::optional<std::string> cache_lookup(std::string_view url) {
  if (cache_refresh() || cache_disabled()) return std::nullopt;
  auto path = cache_body_path(url);
  if (!path) return std::nullopt;
  struct stat st;
  if (::stat(path->c_str(), &st) != 0) return std::nullopt;
  auto age = age_of(st.st_mtim);
  if (!age) return std::nullopt;

  uint64_t lifetime;
  auto rec = read_record_beside(*path);
  if (!rec || rec->lifetime == kNoLifetime) {
    lifetime = url_ttl(url);
  } else {
    lifetime = std::max(rec->lifetime, stale_floor());
  }
  if (lifetime == 0 || *age > lifetime) return std::nullopt;

  auto text = read_text(*path);
  if (!text) return std::nullopt;
  debug_note("[cache hit " + std::to_string(*age) + "s/" + std::to_string(lifetime) + "s] " +
             std::string(url) + "\n");
  return text;
}

void cache_store(std::string_view url, std::string_view body,
                 std::optional<std::string_view> header_json) {
  CacheRecord rec;
  if (header_json) {
    Freshness f = freshness_from_headers(*header_json);
    if (!f.may_store) return;
    rec.etag = header_value(*header_json, "etag").value_or(std::string());
    rec.last_modified = header_value(*header_json, "last-modified").value_or(std::string());
    if (f.lifetime == kNoLifetime) {
      if (url_ttl(url) == 0) return;
    } else if (f.lifetime == 0) {
      // Kept only when it can be revalidated (or ZUB_STALE serves it anyway).
      if (stale_floor() == 0 && rec.etag.empty() && rec.last_modified.empty()) return;
    }
    rec.lifetime = f.lifetime;
  } else {
    if (url_ttl(url) == 0) return;
    rec.lifetime = kNoLifetime;
  }
  auto path = cache_body_path(url);
  if (!path) return;
  // Body first, and no record without its body: a record beside an older
  // body would let a later 304 vouch for the wrong text.
  if (!write_file_atomic(*path, body)) return;
  rec.fetch_time = unix_now();
  write_file_atomic(*path + ".m", format_cache_record(rec));
}

}  // namespace zub
