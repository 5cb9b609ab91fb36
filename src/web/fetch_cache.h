// The on-disk fetch cache under $HOME/.claude/cache/zub-fetch. Each URL is
// two files named by fetch_key_hash of its exact bytes: the body
// ("{16 hex}") and a record ("{16 hex}.m": fetch time, lifetime, ETag,
// Last-Modified, then the body it vouches for and the URL it belongs to).
// Freshness is measured from the body file's modification time. Files are
// replaced through a temporary name and a rename, so readers never see a
// torn file; different URLs never share a file, so concurrent threads need
// no lock. The directory is private (0700, an existing one tightened on the
// first write) and its files 0600: fetched pages can be anyone's business.
// No operation fails: trouble reads as a miss or as nothing stored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "web/fetch_policy.h"
#include "web/header_json.h"

namespace zub {

// The body a record was written with. Two processes storing the same URL
// at once may leave one's record beside the other's body; the record's
// fifth line names its body so that such a pair reads as a miss.
struct BodyCheck {
  uint64_t size = 0;
  uint64_t hash = 0;  // fetch_key_hash of the body bytes
  bool operator==(const BodyCheck&) const = default;
};

BodyCheck body_check_of(std::string_view body);

struct CacheRecord {
  uint64_t fetch_time = 0;          // Unix seconds of the last store or revalidation
  uint64_t lifetime = kNoLifetime;  // seconds, or kNoLifetime (the URL class decides)
  std::string etag;                 // as received, quotes included; may be empty
  std::string last_modified;        // as received; may be empty
  std::optional<BodyCheck> body;    // absent in records of older versions
  // The URL the entry was stored for; absent in records of older versions.
  // File names are a 64-bit hash anyone can compute, so another URL could
  // be made to land on the same files: a record naming another URL is a
  // miss.
  std::optional<std::string> url = std::nullopt;
};

// Parses record text: lines 1 and 2 must be unsigned decimals, lines 3 and
// 4 default to empty. Line 5, "{body size} {hash as 16 hex digits}", is
// read when it parses and otherwise ignored, as older versions ignore it;
// line 6, when present, is the URL. Pure.
std::optional<CacheRecord> parse_cache_record(std::string_view text);

// "{fetch_time}\n{lifetime}\n{etag}\n{last_modified}\n", then
// "{size} {hash}\n" when the record names its body (an empty line when it
// does not but names its URL), then "{url}\n" when it names its URL. Pure.
std::string format_cache_record(const CacheRecord& rec);

// True when `url` can be named on a record line: no line feed or carriage
// return in it. Other URLs are never cached. Pure.
bool cacheable_url(std::string_view url);

// One URL's place in the cache. The file names and the directory are worked
// out once, when the entry is made; reading never creates anything, only
// writing makes the directory. With no_cache set, or without a cache
// directory, every read is a miss and every write does nothing.
class CacheEntry {
 public:
  CacheEntry(std::string_view url, const FetchPolicy& policy);

  const std::string& url() const { return url_; }

  // A body served without asking the server, with the numbers of the debug
  // note.
  struct Fresh {
    std::string body;
    uint64_t age = 0;       // whole seconds since the last store or revalidation
    uint64_t lifetime = 0;  // seconds it may be served for
  };

  // The stored body when it is fresh; nothing on a miss, a stale entry, or
  // with refresh set.
  std::optional<Fresh> fresh() const;

  // What a conditional request needs: the record's validators and the body
  // they vouch for. Nothing unless the record holds an ETag or a
  // Last-Modified and the stored body is readable and the one the record
  // names; nothing with refresh set.
  struct Validated {
    CacheRecord record;
    std::string body;
  };
  std::optional<Validated> validated() const;

  // The server answered 304 to a conditional request: the record's fetch
  // time becomes now (its lifetime the 304's, when `header_json` is not
  // empty and allows storing) and the body's age clock restarts. Returns
  // the body to serve, `stored` (the one read before the request); nothing
  // when there is none or the cache cannot be written. Like every write it
  // first makes the directory.
  std::optional<std::string> revalidate(std::optional<std::string> stored,
                                        std::string_view header_json) const;

  // Stores `body` with the lifetime the headers allow (no header JSON: the
  // URL class decides). Stores nothing when the response may not be kept.
  // The record goes first and names its body, so a body is never served
  // without a record written whole: when the record cannot be written the
  // old pair stays as it was, and when the body then cannot be, both files
  // are removed.
  void store(std::string_view body, std::optional<std::string_view> header_json) const;

  // The record, or nothing when absent or malformed. A record of another
  // URL reads as nothing here, and makes every other read a miss.
  std::optional<CacheRecord> record() const;

  // The stored body whatever its age, when it is a regular file (links are
  // not followed) no larger than the fetch cap, valid UTF-8, and the one its
  // record names.
  std::optional<std::string> stored_body() const;

 private:
  // What the record file holds for this URL: no record, a record of its
  // own, or one that names another URL.
  struct RecordRead {
    std::optional<CacheRecord> rec;
    bool foreign = false;
  };
  RecordRead read_record() const;
  bool make_dir() const;
  uint64_t url_ttl() const;

  std::string url_;
  std::optional<std::string> dir_;  // nothing: the entry is a permanent miss
  std::string body_path_;
  std::string record_path_;
  bool refresh_ = false;
  uint64_t stale_floor_ = 0;
  std::optional<uint64_t> ttl_;
  uint64_t fetch_max_ = 0;
};

}  // namespace zub
