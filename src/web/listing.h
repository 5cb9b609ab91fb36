// The numbered result list of `web`: titles without their site-name
// suffixes, snippets cut to 140 characters, the host and url of each
// record, and on request the engines and score behind each place.
// Pure functions, thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "web/fusion.h"

namespace zub {

inline constexpr size_t kSnippetChars = 140;

// `title` without trailing " | Site", " - Site Docs"... parts: a suffix of at
// most six words that names the host's first label, or is shorter than 27
// bytes, is removed when its separator lies beyond byte 8.
std::string clean_title(std::string_view title, std::string_view host);

// The snippet's words joined by single spaces; beyond 140 characters cut
// (at the last space when it lies beyond byte 84) and ended with "…".
std::string cut_snippet(std::string_view snippet);

// The first `n` records as "{i}. {title}: {host}", the snippet, the
// "[engines score]" line when `debug`, and the url.
std::string format_listing(const std::vector<FusedHit>& kept, uint64_t n, bool debug);

}  // namespace zub
