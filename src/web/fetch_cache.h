// The on-disk fetch cache under $HOME/.claude/cache/zub-fetch. Each URL is
// two files named by fetch_key_hash of its exact bytes: the body
// ("{16 hex}") and a four-line record ("{16 hex}.m": fetch time, lifetime,
// ETag, Last-Modified). Freshness is measured from the body file's
// modification time. Files are replaced through a temporary name and a
// rename, so readers never see a torn file; different URLs never share a
// file, so concurrent threads need no lock. No operation fails: trouble
// reads as a miss or as nothing stored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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
};

// Parses record text: lines 1 and 2 must be unsigned decimals, lines 3 and
// 4 default to empty. Line 5, "{body size} {hash as 16 hex digits}", is
// read when it parses and otherwise ignored, as older versions ignore it.
// Pure.
std::optional<CacheRecord> parse_cache_record(std::string_view text);

// "{fetch_time}\n{lifetime}\n{etag}\n{last_modified}\n", then
// "{size} {hash}\n" when the record names its body. Pure.
std::string format_cache_record(const CacheRecord& rec);

// $HOME/.claude/cache/zub-fetch, or nothing when HOME is unset, empty or
// not UTF-8. Does not create it.
std::optional<std::string> cache_dir();

// The body file path for `url`, creating the directory; nothing when
// ZUB_NO_CACHE is set or the directory cannot be made. Only for writing:
// reads go through the functions below, which create nothing.
std::optional<std::string> cache_body_path(std::string_view url);

// The stored body of `url` whatever its age, when it is a regular file
// (links are not followed) no larger than the fetch cap, valid UTF-8, and
// the one its record names; nothing otherwise or with ZUB_NO_CACHE set.
std::optional<std::string> cache_stored_body(std::string_view url);

// The stored body when it is fresh; nothing on a miss, a stale entry, or
// with ZUB_REFRESH or ZUB_NO_CACHE set.
std::optional<std::string> cache_lookup(std::string_view url);

// Stores `body` with the lifetime the headers allow (no header JSON: the
// URL class decides). Stores nothing when the response may not be kept.
void cache_store(std::string_view url, std::string_view body,
                 std::optional<std::string_view> header_json);

// The record of `url`, or nothing when absent or malformed.
std::optional<CacheRecord> read_meta(std::string_view url);

// Replaces the record of `url`; errors are ignored.
void write_meta(std::string_view url, const CacheRecord& rec);

}  // namespace zub
