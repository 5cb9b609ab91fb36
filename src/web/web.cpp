#include "web/web.h"

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/control_text.h"
#include "web/address_kind.h"
#include "web/engines.h"
#include "web/fetch.h"
#include "web/fusion.h"
#include "web/hosts_file.h"
#include "web/listing.h"

namespace zub {

namespace {

constexpr std::string_view kNoResults =
    "zub web: 결과 0건. 엔진 차단이면 로컬 SearXNG 를 띄워라:\n"
    "  docker start searxng  (127.0.0.1:8888)\n";

// A result comes from a public page (the engine's), so the rule for
// redirects holds for it: a result that leads into the machine, its local
// network or the link (where cloud metadata answers) is listed, not
// fetched. Empty when the result may be fetched.
std::string withheld_reason(const std::string& url, const PublicStandIns& stand_ins) {
  const std::optional<AddressKind> kind = kind_before_request(url_target(url).host, stand_ins);
  if (!kind || redirect_allowed(AddressKind::kPublic, *kind)) return {};
  return "검색 결과가 " + std::string(address_kind_name(*kind)) +
         " 주소를 가리킨다: " + printable_url(url);
}

}  // namespace

int cmd_web(const WebOptions& opts, Output& out) {
  const std::string& query = opts.query;
  const FetchPolicy& policy = opts.policy;
  const uint64_t n = opts.results, k = opts.deep, c = opts.chars;
  const std::string encoded = form_encode(query);
  std::vector<SearchHit> searx, brave, bing;
  {
    // The waits overlap; the lists are used in a fixed order afterwards, so
    // the finishing order never shows.
    std::thread t_searx([&] { searx = search_searx(query, policy, out); });
    std::thread t_brave([&] { brave = search_brave(encoded, policy, out); });
    std::thread t_bing([&] { bing = search_bing(encoded, policy, out); });
    t_searx.join();
    t_brave.join();
    t_bing.join();
  }
  std::vector<FusedHit> fused = fuse_hits({{"searx", &searx}, {"brave", &brave}, {"bing", &bing}});
  if (fused.empty()) {
    out.write_err(kNoResults);
    return 1;
  }
  const std::vector<FusedHit> kept = select_per_host(std::move(fused), std::max(n, k));
  std::string listing = format_listing(kept, n, policy.web_debug);
  if (k == 0) {
    if (!listing.empty()) out.write_out(listing);
    return 0;
  }
  listing += "\n";
  out.write_out(listing);
  std::vector<std::string> urls;
  std::vector<std::string> withheld;
  for (size_t i = 0; i < kept.size() && i < k; ++i) {
    urls.push_back(kept[i].url);
    withheld.push_back(withheld_reason(kept[i].url, policy.public_stand_ins));
  }
  run_fetch(urls, c / k, policy, out, withheld);
  return 0;
}

}  // namespace zub
