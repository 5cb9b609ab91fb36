// The formats zub shares with the outside: the fetch cache's layout on disk
// and the write-out text it asks curl for. Tests build their expectations
// from these, so a change here shows up in both places at once.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "base/fnv.h"

namespace zub {

// The cache directory, under HOME.
inline constexpr std::string_view kCacheSubdir = ".claude/cache/zub-fetch";
// A URL's record sits beside its body file under the body's name plus this.
inline constexpr std::string_view kRecordSuffix = ".m";

// The body file name of `url`: fetch_key_hash of its exact bytes as 16
// lower-case hex digits.
inline std::string cache_file_name(std::string_view url) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(fetch_key_hash(url)));
  return std::string(buf, 16);
}

// Single transfer: the body, then the status and the header JSON, found
// again from the end of the output.
inline constexpr std::string_view kSingleTrailer =
    "\n<<<ZUBHTTP:%{http_code}\n<<<ZUBHDR:%{header_json}";
inline constexpr std::string_view kStatusMarker = "<<<ZUBHTTP:";
inline constexpr std::string_view kHeaderMarker = "\n<<<ZUBHDR:";

// Batch: one block per transfer on standard output. Header JSON spans lines
// that start with "{", "\"" or "}", so marker lines cannot occur inside it.
inline constexpr std::string_view kBatchTrailer =
    "<<<ZUBB:%{urlnum} %{exitcode} %{http_code}\n%{header_json}\n<<<ZUBE\n";
inline constexpr std::string_view kBatchBegin = "<<<ZUBB:";
inline constexpr std::string_view kBatchEnd = "<<<ZUBE";

}  // namespace zub
