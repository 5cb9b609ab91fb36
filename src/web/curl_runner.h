// Runs `curl` as a child process and reports what came back; it decides
// nothing about the cache. A single transfer may carry the validators of a
// conditional request; a batch fetches up to kMaxBatchUrls URLs in one
// parallel curl run, each body through its own pipe. Thread-safe: each call
// owns its child process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "web/address_kind.h"

namespace zub {

// Timeout of every fetch_all transfer, in seconds as curl's -m reads it.
inline constexpr std::string_view kFetchAllTimeout = "25";

// The most URLs one batch run takes: two descriptors per URL stay open for
// the whole run.
inline constexpr size_t kMaxBatchUrls = 64;

// curl's output of a single fetch, split at the trailer. Pure.
struct CurlOutput {
  std::string body;
  uint16_t status = 0;
  std::string header_json;   // empty when curl wrote none
  std::string remote_ip;     // the address curl connected to; may be empty
  std::string redirect_url;  // where a redirect points; empty for none
};

// Splits decoded curl output from the end, so marker text inside a body
// never wins over the trailer. Without a status marker the whole head is
// the body, unchanged, with status 200.
CurlOutput split_curl_output(std::string_view text);

// The most redirects one fetch follows.
inline constexpr size_t kMaxRedirects = 20;

// What one single transfer came back with: either a failure text (curl
// missing, curl failing, a body over the cap) or the response.
struct CurlReply {
  std::string failure;  // "curl: ...", curl_exit_text, too_big_text; empty: a response
  CurlOutput response;  // body and header JSON decoded (invalid bytes as U+FFFD)
};

// Validators for a conditional request; empty ones are not sent.
struct RequestValidators {
  std::string etag;
  std::string last_modified;
};

// Fetches `url` (passed to curl unchanged) with `timeout` seconds (curl -m)
// for all hops together, conditionally when `validators` is given; a body of
// more than `cap` bytes is a failure. Redirects are followed one hop at a
// time, each its own curl run, and each target is checked first: only http
// and https, and never from a host of one kind to a non-public host of
// another (web/address_kind.h). A target whose kind its name does not tell
// is checked by the address curl connected to, and its answer dropped.
CurlReply curl_single(std::string_view url, std::string_view timeout,
                      const RequestValidators* validators, uint64_t cap,
                      const PublicStandIns& stand_ins = {});

// The failure text of a body over `cap` bytes.
std::string too_big_text(uint64_t cap);

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

// One URL's part of a batch run.
struct BatchReply {
  BatchTransfer transfer;  // all defaults when curl could not start
  std::string body;        // the raw bytes received
  bool over = false;       // the body passed the cap; nothing of it is kept
};

// Fetches at most kMaxBatchUrls `urls` in one curl run with the fetch_all
// timeout; one reply per URL in input order. Nothing when the body pipes
// could not be opened (no process started).
std::optional<std::vector<BatchReply>> curl_batch(const std::vector<std::string>& urls,
                                                  uint64_t cap);

}  // namespace zub
