// Every network access of zub: a URL is answered from the fetch cache when
// it holds a fresh copy, otherwise fetched with curl (conditionally when the
// cache holds validators) and the answer stored. fetch_one fetches one URL;
// fetch_all fetches a list on up to 8 threads or in one parallel curl batch
// and returns the results in input order. Debug notes (policy.cache_debug)
// go to the Output's standard error, one block each.
// Thread-safe: each call owns its child process; cache files of different
// URLs are different files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/output.h"
#include "web/curl_runner.h"
#include "web/fetch_policy.h"

namespace zub {

// The body of a 2xx response (UTF-8, invalid bytes replaced by U+FFFD) or
// an error text such as "HTTP 404", "curl 28: 시간 안에 끝나지 않았다", "연결 실패".
struct FetchResult {
  bool ok = false;
  std::string body;   // when ok
  std::string error;  // when !ok
};

// Fetches `url` (passed to curl unchanged) with `timeout` seconds (curl -m).
// A fresh cache entry is returned without starting any process.
FetchResult fetch_one(std::string_view url, std::string_view timeout, const FetchPolicy& policy,
                      Output& out);

// Fetches every URL with the timeout "25"; one result per URL, in input
// order. Cached URLs are answered from the cache; the rest go to one curl
// batch when they average two or more per host, else to up to 8 threads.
std::vector<FetchResult> fetch_all(const std::vector<std::string>& urls, const FetchPolicy& policy,
                                   Output& out);

// True when `urls` average two or more per distinct host (url_host), the
// case in which one curl batch can reuse connections. Pure.
bool prefers_batch(const std::vector<std::string>& urls);

}  // namespace zub
