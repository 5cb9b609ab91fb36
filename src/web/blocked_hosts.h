// The hosts whose links never count as search results: the queried
// engines' own sites and their operators' other sites, other web search
// engines, and link-shortening redirect services. Both the result-page
// parsers and the fusion step filter with it. Pure data, thread-safe.
#pragma once

#include <array>
#include <string_view>

namespace zub {

// Fragments compared as substrings of a link's host (url_host).
inline constexpr std::array<std::string_view, 9> kBlockedHosts = {
    "bing.com",        // queried engine
    "brave.com",       // queried engine (search.brave.com) and its maker
    "bingj.com",       // the first engine's cached-page host
    "msn.com",         // the first engine's operator's portal
    "duckduckgo.com",  // other web search engines
    "search.yahoo.com", "yandex.",
    "bit.ly",  // redirect services
    "tinyurl.com",
};

// True when `host` contains any entry of kBlockedHosts.
bool is_blocked_host(std::string_view host);

}  // namespace zub
