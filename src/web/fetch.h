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

// One URL's part of the output.
struct FetchSection {
  std::string url;
  std::string text;  // the markdown, or the failure line
  size_t raw = 0;    // bytes of fetched HTML; 0 for a failure
  bool failed = false;
  // Set by cut_section: `text` is already cut to the budget, and
  // `md_bytes` is what it held before.
  bool cut = false;
  size_t md_bytes = 0;
};

// Cuts the section's text to `budget` characters ("\n…[cut]" after a cut,
// a code fence left open by the cut closed before it), remembering its full
// size; a failure line is never cut.
void cut_section(FetchSection& s, uint64_t budget);

// Converts the fetched pages on up to 8 threads; sections in input order.
// `results` holds one entry per URL.
std::vector<FetchSection> convert_pages(const std::vector<std::string>& urls,
                                        const std::vector<FetchResult>& results);

// The printed text of the sections: each cut to `budget` characters (unless
// cut already), under a "## {host}" heading when there are two or more, with
// the link-list notice for pages without content and the size-reduction
// note at the end. Under such a heading the page's own headings start one
// level deeper, at "###": no page can print a line that reads as the next
// section's heading.
std::string format_sections(const std::vector<FetchSection>& sections, uint64_t budget);

// `text` with every line that starts with "#" outside a code fence given
// `levels` more "#". A fence is a line of three or more backticks alone,
// closed only by such a line at least as long. Pure.
std::string deepen_headings(std::string_view text, size_t levels);

// "{n}B" up to 1023 bytes, else "{n/1024}KB".
std::string format_size(uint64_t bytes);

// Fetches, converts, cuts and prints `urls` in one write; returns the bytes
// of markdown the pages converted to before any cut. Pages are fetched
// and converted a few at a time and only their cut markdown is kept, so the
// bodies held at once do not grow with the number of URLs. A URL whose
// entry in `withheld` is not empty is not fetched: its section is the line
// "[fetch 안 함: {reason}]".
uint64_t run_fetch(const std::vector<std::string>& urls, uint64_t budget, const FetchPolicy& policy,
                   Output& out, const std::vector<std::string>& withheld = {});

inline constexpr uint64_t kFetchDefaultChars = 6000;

struct FetchOptions {
  std::vector<std::string> urls;
  uint64_t chars = kFetchDefaultChars;  // per page
  FetchPolicy policy;
};

// The `fetch` subcommand: run_fetch; always status 0.
Outcome cmd_fetch(const FetchOptions& opts, Output& out);

}  // namespace zub
