// The host part of a URL as every web subcommand shows and compares it.
// Pure function, thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// The text after the first "://" (up to a later "://"), cut at the first
// "/", with every leading "www." removed. Port, user part and a slash-less
// query stay in; case is kept. Without "://" the whole URL is the piece.
std::string url_host(std::string_view url);

// The piece of `url` that url_host starts from: after the first "://" up to
// the next "://" or the end; the whole URL when it has no "://".
std::string_view url_after_scheme(std::string_view url);

}  // namespace zub
