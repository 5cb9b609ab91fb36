// The three search engines behind `web`: two public HTML result pages and
// a metasearch service on the local machine, asked through its JSON
// interface and restarted with docker when it does not answer. Each returns
// its hits in page order; none of them fails. All requests go through
// fetch_one, so they share the fetch cache.
// Thread-safe: the engines share nothing and may run on separate threads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/output.h"
#include "web/fetch_policy.h"
#include "web/result_block.h"

namespace zub {

// Where the local service answers; restarting it is `docker start searxng`.
inline constexpr std::string_view kSearxSearchUrl =
    "http://127.0.0.1:8888/search?format=json&safesearch=0&q=";

// Form encoding of a query, byte by byte: ASCII letters, digits and "-._~"
// stay, a space becomes "+", every other byte "%XX" (upper-case hex).
std::string form_encode(std::string_view text);

// Hits of the public result pages; `encoded` is form_encode(query).
std::vector<SearchHit> search_bing(std::string_view encoded, const FetchPolicy& policy,
                                   Output& out);
std::vector<SearchHit> search_brave(std::string_view encoded, const FetchPolicy& policy,
                                    Output& out);

// Hits of the local service for the raw query. When it cannot be reached,
// its container is started once; if that works, a note goes to standard
// error and the request is retried up to ten times, `policy.searx_retry_ms`
// (0.6 s) apart.
std::vector<SearchHit> search_searx(std::string_view query, const FetchPolicy& policy, Output& out);

// The hits of a fetched result page cut at `marker` (lower case).
std::vector<SearchHit> parse_result_page(std::string_view page, std::string_view marker);

}  // namespace zub
