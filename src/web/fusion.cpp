#include "web/fusion.h"

#include <algorithm>
#include <unordered_map>

#include "base/text.h"
#include "web/blocked_hosts.h"
#include "web/url_host.h"

namespace zub {

namespace {

// Parameters that only say where a visitor came from; they never change
// the page.
bool is_tracking_param(std::string_view param) {
  const std::string_view name = param.substr(0, param.find('='));
  return starts_with(name, "utm_") || name == "ref" || name == "ved" || name == "usg" ||
         name == "gclid" || name == "fbclid" || name == "source";
}

// The weight of an engine label: 1.0 for "searx", 0.6 for the others.
float engine_weight(std::string_view label) { return label == "searx" ? 1.0f : 0.6f; }

}  // namespace

std::string merge_key(std::string_view url) {
  url = url.substr(0, url.find('#'));
  const size_t q = url.find('?');
  std::string_view base = url.substr(0, q);
  std::string params;
  bool kept_any = false;
  if (q != std::string_view::npos) {
    std::string_view query = url.substr(q + 1);
    for (size_t p = 0;;) {
      const size_t amp = query.find('&', p);
      std::string_view param = query.substr(p, amp == std::string_view::npos ? amp : amp - p);
      if (!is_tracking_param(param)) {
        if (kept_any) params += '&';
        params.append(param);
        kept_any = true;
      }
      if (amp == std::string_view::npos) break;
      p = amp + 1;
    }
  }
  while (!base.empty() && base.back() == '/') base.remove_suffix(1);
  if (starts_with(base, "https://")) base.remove_prefix(8);
  if (starts_with(base, "http://")) base.remove_prefix(7);
  if (base.size() > 3 && starts_with(base, "www.")) base.remove_prefix(4);
  std::string key(base);
  if (kept_any) {
    key += '?';
    key += params;
  }
  return key;
}

std::vector<FusedHit> fuse_hits(const std::vector<EngineHits>& lists) {
  std::vector<FusedHit> fused;
  std::unordered_map<std::string, size_t> by_key;
  for (const EngineHits& list : lists) {
    const float weight = engine_weight(list.label);
    uint64_t rank = 0;
    for (const SearchHit& hit : *list.hits) {
      ++rank;
      if (is_blocked_host(url_host(hit.url))) continue;
      const float contribution = weight / (kRankConstant + static_cast<float>(rank));
      auto [it, inserted] = by_key.try_emplace(merge_key(hit.url), fused.size());
      if (inserted) {
        fused.push_back(
            FusedHit{hit.title, hit.url, hit.snippet, {std::string(list.label)}, contribution});
        continue;
      }
      FusedHit& rec = fused[it->second];
      rec.score += contribution;
      if (hit.snippet.size() > rec.snippet.size()) rec.snippet = hit.snippet;
      const std::string host = url_host(rec.url);
      if ((rec.title.empty() || rec.title == host) && !hit.title.empty() && hit.title != host)
        rec.title = hit.title;
      if (std::find(rec.engines.begin(), rec.engines.end(), list.label) == rec.engines.end())
        rec.engines.emplace_back(list.label);
    }
  }
  std::stable_sort(fused.begin(), fused.end(),
                   [](const FusedHit& a, const FusedHit& b) { return a.score > b.score; });
  return fused;
}

std::vector<FusedHit> select_per_host(std::vector<FusedHit> sorted, uint64_t limit) {
  std::vector<FusedHit> kept;
  std::unordered_map<std::string, size_t> per_host;
  for (FusedHit& rec : sorted) {
    size_t& count = per_host[url_host(rec.url)];
    if (count >= kPerHostLimit) continue;
    ++count;
    kept.push_back(std::move(rec));
    if (kept.size() >= limit) break;
  }
  return kept;
}

}  // namespace zub
