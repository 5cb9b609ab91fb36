#include "web/engines.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

#include "base/ascii.h"
#include "base/process.h"
#include "html/html_strip.h"
#include "web/cached_fetch.h"
#include "web/searx_json.h"

namespace zub {

namespace {

constexpr std::string_view kBingSearchUrl = "https://www.bing.com/search?q=";
constexpr std::string_view kBraveSearchUrl = "https://search.brave.com/search?q=";
constexpr std::string_view kBingMarker = "<li class=\"b_algo\"";
constexpr std::string_view kBraveMarker = "data-type=\"web\"";
constexpr std::string_view kPageTimeout = "20";
constexpr std::string_view kRetryTimeout = "10";
constexpr int kRestartRetries = 10;
constexpr std::string_view kRestartNote = "[zub] searxng 가 내려가 있어 다시 띄웠다\n";

std::vector<SearchHit> search_page(std::string_view base, std::string_view encoded,
                                   std::string_view marker, const FetchPolicy& policy,
                                   Output& out) {
  std::string url(base);
  url.append(encoded);
  FetchResult r = fetch_one(url, kPageTimeout, policy, out);
  if (!r.ok) return {};
  return parse_result_page(r.body, marker);
}

// Starts the service's container; true when docker says it did.
bool restart_searx() {
  ProcessResult p = run_process({"docker", "start", "searxng"});
  return p.started && p.exited && p.exit_code == 0;
}

}  // namespace

std::string form_encode(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      out.push_back(ch);
    } else if (c == ' ') {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(hex_digit(c >> 4, true));
      out.push_back(hex_digit(c, true));
    }
  }
  return out;
}

std::vector<SearchHit> parse_result_page(std::string_view page, std::string_view marker) {
  std::vector<SearchHit> hits;
  const HiddenSelectors hidden = page_hidden_selectors(page);
  for (std::string_view block : split_result_blocks(page, marker))
    if (auto hit = parse_result_block(block, hidden.empty() ? nullptr : &hidden))
      hits.push_back(std::move(*hit));
  return hits;
}

std::vector<SearchHit> search_bing(std::string_view encoded, const FetchPolicy& policy,
                                   Output& out) {
  return search_page(kBingSearchUrl, encoded, kBingMarker, policy, out);
}

std::vector<SearchHit> search_brave(std::string_view encoded, const FetchPolicy& policy,
                                    Output& out) {
  return search_page(kBraveSearchUrl, encoded, kBraveMarker, policy, out);
}

std::vector<SearchHit> search_searx(std::string_view query, const FetchPolicy& policy,
                                    Output& out) {
  std::string url(kSearxSearchUrl);
  url += form_encode(query);
  FetchResult r = fetch_one(url, kPageTimeout, policy, out);
  if (!r.ok) {
    // Down: the container may merely be stopped (after a reboot, say).
    if (!restart_searx()) return {};
    out.write_err(kRestartNote);
    for (int attempt = 0; attempt < kRestartRetries && !r.ok; ++attempt) {
      // A pause of more than a minute is no pause between retries; the
      // bound also keeps the count within the clock's signed range.
      std::this_thread::sleep_for(
          std::chrono::milliseconds(std::min<uint64_t>(policy.searx_retry_ms, 60000)));
      r = fetch_one(url, kRetryTimeout, policy, out);
    }
    if (!r.ok) return {};
  }
  return parse_searx_results(r.body);
}

}  // namespace zub
