#include "web/cached_fetch.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "base/parallel_for.h"
#include "base/utf8.h"
#include "web/curl_exit.h"
#include "web/fetch_cache.h"
#include "web/url_host.h"

namespace zub {

namespace {

constexpr size_t kMaxWorkers = 8;

FetchResult ok_result(std::string body) {
  FetchResult r;
  r.ok = true;
  r.body = std::move(body);
  return r;
}

FetchResult error_result(std::string error) {
  FetchResult r;
  r.error = std::move(error);
  return r;
}

// Notes come from several fetch threads at once; a capturing Output must
// not see two appends interleave.
std::mutex g_note_mu;

void debug_note(const FetchPolicy& policy, Output& out, const std::string& text) {
  if (!policy.cache_debug) return;
  std::lock_guard<std::mutex> lock(g_note_mu);
  out.write_err(text);
}

// The cache's answer, with its note, when it holds a fresh copy.
std::optional<std::string> cached(const CacheEntry& entry, const FetchPolicy& policy, Output& out) {
  auto hit = entry.fresh();
  if (!hit) return std::nullopt;
  debug_note(policy, out,
             "[cache hit " + std::to_string(hit->age) + "s/" + std::to_string(hit->lifetime) +
                 "s] " + entry.url() + "\n");
  return std::move(hit->body);
}

// A fetch that did not find a fresh copy: a conditional request when the
// cache holds validators and the body they vouch for, then the answer
// stored (2xx) or the stored body served again (304).
FetchResult fetch_uncached(const CacheEntry& entry, std::string_view timeout,
                           const FetchPolicy& policy, Output& out) {
  std::optional<CacheEntry::Validated> known = entry.validated();
  RequestValidators validators;
  if (known) validators = {known->record.etag, known->record.last_modified};
  CurlReply reply = curl_single(entry.url(), timeout, known ? &validators : nullptr,
                                policy.fetch_max, policy.public_stand_ins);
  if (!reply.failure.empty()) return error_result(std::move(reply.failure));

  CurlOutput& res = reply.response;
  if (res.status == 304) {
    std::optional<std::string> stored;
    if (known) stored = std::move(known->body);
    auto body = entry.revalidate(std::move(stored), res.header_json);
    if (!body) return error_result("HTTP " + std::to_string(res.status));
    debug_note(policy, out, "[304 revalidated, 본문 전송 0] " + entry.url() + "\n");
    return ok_result(std::move(*body));
  }
  if (res.status >= 200 && res.status <= 299) {
    if (res.header_json.empty()) {
      entry.store(res.body, std::nullopt);
    } else {
      entry.store(res.body, std::string_view(res.header_json));
    }
    return ok_result(std::move(res.body));
  }
  return error_result("HTTP " + std::to_string(res.status));
}

using Entries = std::vector<const CacheEntry*>;

std::vector<FetchResult> fetch_threaded(const Entries& entries, const FetchPolicy& policy,
                                        Output& out) {
  std::vector<FetchResult> results(entries.size());
  parallel_for(entries.size(), kMaxWorkers, [&](size_t i) {
    results[i] = fetch_uncached(*entries[i], kFetchAllTimeout, policy, out);
  });
  return results;
}

std::vector<FetchResult> fetch_batch(const Entries& entries, const FetchPolicy& policy,
                                     Output& out) {
  if (entries.size() > kMaxBatchUrls) {
    std::vector<FetchResult> results;
    results.reserve(entries.size());
    for (size_t at = 0; at < entries.size(); at += kMaxBatchUrls) {
      const size_t end = std::min(entries.size(), at + kMaxBatchUrls);
      std::vector<FetchResult> part =
          fetch_batch(Entries(entries.begin() + static_cast<std::ptrdiff_t>(at),
                              entries.begin() + static_cast<std::ptrdiff_t>(end)),
                      policy, out);
      for (auto& r : part) results.push_back(std::move(r));
    }
    return results;
  }
  const size_t n = entries.size();
  std::vector<std::string> urls;
  urls.reserve(n);
  for (const CacheEntry* e : entries) urls.push_back(e->url());
  std::optional<std::vector<BatchReply>> replies = curl_batch(urls, policy.fetch_max);
  if (!replies) {
    std::vector<FetchResult> results;
    results.reserve(n);
    for (const CacheEntry* e : entries)
      results.push_back(fetch_uncached(*e, kFetchAllTimeout, policy, out));
    return results;
  }
  // A transfer can fail after its 2xx status line, leaving a body cut
  // short (a dropped connection). Only such transfers are fetched again, one
  // by one, which checks each on its own; one that ran out of time is not:
  // a server that trickles would only take as long again.
  std::vector<size_t> again;

  std::vector<FetchResult> results;
  results.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    BatchReply& r = (*replies)[i];
    const BatchTransfer& t = r.transfer;
    const bool success = t.status >= 200 && t.status <= 299;
    // A batch follows no redirect: each target has to be checked first,
    // which the single fetch does hop by hop.
    const bool redirected = t.status >= 300 && t.status <= 399 && t.status != 304;
    if (r.over) {
      results.push_back(error_result(too_big_text(policy.fetch_max)));
    } else if (success && t.exit_code == kCurlTimedOut) {
      results.push_back(error_result(curl_exit_text(t.exit_code)));
    } else if ((success && t.exit_code != 0) || redirected) {
      again.push_back(i);
      results.emplace_back();
    } else if (success) {
      std::string body = decode_lossy(r.body);
      std::string().swap(r.body);
      if (t.header_json.empty()) {
        entries[i]->store(body, std::nullopt);
      } else {
        entries[i]->store(body, std::string_view(t.header_json));
      }
      results.push_back(ok_result(std::move(body)));
    } else if (t.status == 0) {
      results.push_back(error_result("연결 실패"));
    } else {
      results.push_back(error_result("HTTP " + std::to_string(t.status)));
    }
  }
  if (!again.empty()) {
    Entries retry;
    for (size_t i : again) retry.push_back(entries[i]);
    std::vector<FetchResult> fetched = fetch_threaded(retry, policy, out);
    for (size_t k = 0; k < again.size(); ++k) results[again[k]] = std::move(fetched[k]);
  }
  return results;
}

}  // namespace

bool prefers_batch(const std::vector<std::string>& urls) {
  std::vector<std::string> hosts;
  hosts.reserve(urls.size());
  for (const auto& u : urls) hosts.push_back(url_host(u));
  std::sort(hosts.begin(), hosts.end());
  size_t k = static_cast<size_t>(std::unique(hosts.begin(), hosts.end()) - hosts.begin());
  return urls.size() >= 2 * k;
}

FetchResult fetch_one(std::string_view url, std::string_view timeout, const FetchPolicy& policy,
                      Output& out) {
  const CacheEntry entry(url, policy);
  if (auto body = cached(entry, policy, out)) return ok_result(std::move(*body));
  return fetch_uncached(entry, timeout, policy, out);
}

std::vector<FetchResult> fetch_all(const std::vector<std::string>& urls, const FetchPolicy& policy,
                                   Output& out) {
  if (urls.empty()) return {};
  if (urls.size() == 1) return {fetch_one(urls[0], kFetchAllTimeout, policy, out)};

  // Each URL is looked up once; the misses go on to the network as they are.
  std::vector<CacheEntry> entries;
  entries.reserve(urls.size());
  for (const auto& u : urls) entries.emplace_back(u, policy);
  std::vector<FetchResult> results(urls.size());
  std::vector<size_t> missing;
  for (size_t i = 0; i < urls.size(); ++i) {
    if (auto body = cached(entries[i], policy, out)) {
      results[i] = ok_result(std::move(*body));
    } else {
      missing.push_back(i);
    }
  }
  if (missing.empty()) return results;

  std::vector<FetchResult> fetched;
  if (missing.size() == 1) {
    fetched.push_back(fetch_uncached(entries[missing[0]], kFetchAllTimeout, policy, out));
  } else {
    Entries todo;
    std::vector<std::string> todo_urls;
    for (size_t i : missing) {
      todo.push_back(&entries[i]);
      todo_urls.push_back(urls[i]);
    }
    fetched = prefers_batch(todo_urls) ? fetch_batch(todo, policy, out)
                                       : fetch_threaded(todo, policy, out);
  }
  for (size_t k = 0; k < missing.size(); ++k) results[missing[k]] = std::move(fetched[k]);
  return results;
}

}  // namespace zub
