// The formats zub shares with the outside: the fetch cache's layout on disk,
// what every request says about itself, and the write-out text it asks
// curl for. Tests build their expectations
// from these, so a change here shows up in both places at once.
#pragma once

#include <array>
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

// Every request goes out as a desktop browser's page load.
inline constexpr std::string_view kUserAgent =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/133.0.0.0 Safari/537.36";
inline constexpr std::array<std::string_view, 5> kRequestHeaders = {
    "Accept: text/html,application/xhtml+xml,*/*;q=0.8",
    "Accept-Language: en-US,en;q=0.9,ko;q=0.8",
    "Sec-Fetch-Dest: document",
    "Sec-Fetch-Mode: navigate",
    "Sec-Fetch-Site: none",
};

// Single transfer: the body, then the status, the address connected to
// and the redirect's target, and the header JSON, found again from the end
// of the output.
inline constexpr std::string_view kSingleTrailer =
    "\n<<<ZUBHTTP:%{http_code}\n<<<ZUBHOP:%{remote_ip} %{redirect_url}\n<<<ZUBHDR:%{header_json}";
inline constexpr std::string_view kStatusMarker = "<<<ZUBHTTP:";
inline constexpr std::string_view kHopMarker = "\n<<<ZUBHOP:";
inline constexpr std::string_view kHeaderMarker = "\n<<<ZUBHDR:";

// Batch: one block per transfer on standard output. Header JSON spans lines
// that start with "{", "\"" or "}", so marker lines cannot occur inside it.
inline constexpr std::string_view kBatchTrailer =
    "<<<ZUBB:%{urlnum} %{exitcode} %{http_code}\n%{header_json}\n<<<ZUBE\n";
inline constexpr std::string_view kBatchBegin = "<<<ZUBB:";
inline constexpr std::string_view kBatchEnd = "<<<ZUBE";

}  // namespace zub
