// `fetch`: pages as main-content markdown, fetched in parallel through the
// cache, each cut to a character budget, with a note on how much smaller the
// markdown is than the HTML. run_fetch also prints the page bodies of
// `web -d K`. Conversion runs on up to 8 threads that are joined before
// anything is printed; the output never depends on thread timing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/outcome.h"
#include "base/output.h"
#include "web/cached_fetch.h"
#include "web/fetch_policy.h"

namespace zub {

// One URL's part of the output before cutting.
struct FetchSection {
  std::string url;
  std::string text;  // the markdown, or the failure line
  size_t raw = 0;    // bytes of fetched HTML; 0 for a failure
  bool failed = false;
};

// Converts the fetched pages on up to 8 threads; sections in input order.
// `results` holds one entry per URL.
std::vector<FetchSection> convert_pages(const std::vector<std::string>& urls,
                                        const std::vector<FetchResult>& results);

// The printed text of the sections: each cut to `budget` characters, under a
// "## {host}" heading when there are two or more, with the link-list notice
// for pages without content and the size-reduction note at the end.
std::string format_sections(const std::vector<FetchSection>& sections, uint64_t budget);

// "{n}B" up to 1023 bytes, else "{n/1024}KB".
std::string format_size(uint64_t bytes);

// Fetches, converts, cuts and prints `urls` in one write.
uint64_t run_fetch(const std::vector<std::string>& urls, uint64_t budget, const FetchPolicy& policy,
                   Output& out);

inline constexpr uint64_t kFetchDefaultChars = 6000;

struct FetchOptions {
  std::vector<std::string> urls;
  uint64_t chars = kFetchDefaultChars;  // per page
  FetchPolicy policy;
};

// The `fetch` subcommand: run_fetch; always status 0.
Outcome cmd_fetch(const FetchOptions& opts, Output& out);

}  // namespace zub
