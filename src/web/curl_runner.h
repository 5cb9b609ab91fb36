// Every network access of zub: `curl` as a child process, behind the fetch
// cache. fetch_one fetches one URL (cache first, conditional request when
// the cache holds validators); fetch_all fetches a list on up to 8 threads
// or in one parallel curl batch and returns the results in input order.
// Thread-safe: each call owns its child process; cache files of different
// URLs are different files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zub {

// The body of a 2xx response (UTF-8, invalid bytes replaced by U+FFFD) or
// an error text such as "HTTP 404", "curl exit Some(28)", "연결 실패".
struct FetchResult {
  bool ok = false;
  std::string body;   // when ok
  std::string error;  // when !ok
};

// Timeout of every fetch_all transfer, in seconds as curl's -m reads it.
inline constexpr std::string_view kFetchAllTimeout = "25";

// Fetches `url` (passed to curl unchanged) with `timeout` seconds (curl -m).
// A fresh cache entry is returned without starting any process.
FetchResult fetch_one(std::string_view url, std::string_view timeout);

// Fetches every URL with the timeout "25"; one result per URL, in input
// order. Cached URLs are answered from the cache; the rest go to one curl
// batch when they average two or more per host, else to up to 8 threads.
std::vector<FetchResult> fetch_all(const std::vector<std::string>& urls);

// curl's output of a single fetch, split at the trailer. Pure.
struct CurlOutput {
  std::string body;
  uint16_t status = 0;
  std::string header_json;  // empty when curl wrote none
};

// Splits decoded curl output from the end, so marker text inside a body
// never wins over the trailer. Without a status marker the whole head is
// the body, unchanged, with status 200.
CurlOutput split_curl_output(std::string_view text);

// What curl's write-out tells about one transfer of a batch.
struct BatchTransfer {
  bool reported = false;  // false: curl wrote nothing for it
  int exit_code = 0;      // curl's result for this transfer alone
  uint16_t status = 0;
  std::string header_json;  // empty when curl wrote none
};

// Reads the batch write-out: per transfer a line "<<<ZUBB:{urlnum}
// {exitcode} {http_code}", the header JSON lines and a line "<<<ZUBE".
// Returns `n` entries; lines that do not fit are ignored and a later block
// for the same index wins. Pure.
std::vector<BatchTransfer> parse_batch_writeout(std::string_view text, size_t n);

// True when `urls` average two or more per distinct host (url_host), the
// case in which one curl batch can reuse connections. Pure.
bool prefers_batch(const std::vector<std::string>& urls);

}  // namespace zub
