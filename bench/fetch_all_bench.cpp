// fetch_all and the cache-hit path against the tests' loopback server with a
// scripted delay per page: eight pages on eight hosts (threads), eight pages
// on one host (one parallel curl batch), the same eight one after another,
// and a fetch_one cache hit.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "../tests/support/http_server.cpp"
#include "../tests/support/http_server.h"
#include "base/dir_tree.h"
#include "web/cached_fetch.h"

namespace {

constexpr int kDelayMs = 200;

std::vector<std::string> host_list() {
  std::vector<std::string> hosts;
  for (int i = 2; i <= 9; ++i) hosts.push_back("127.0.0." + std::to_string(i));
  return hosts;
}

zub_test::HttpServer& server() {
  static zub_test::HttpServer* s = [] {
    auto* srv = new zub_test::HttpServer(host_list());
    zub_test::ScriptedResponse r;
    r.body = std::string(20000, 'x');
    r.delay_ms = kDelayMs;
    for (int i = 0; i < 8; ++i) srv->route("/p" + std::to_string(i), r);
    zub_test::ScriptedResponse fast;
    fast.body = "<html><body><p>cached page</p></body></html>";
    fast.headers = {{"Cache-Control", "max-age=3600"}};
    srv->route("/cached", fast);
    return srv;
  }();
  return *s;
}

// A private HOME so the real cache is never touched; proxies bypassed.
void sandbox() {
  static bool done = [] {
    char templ[] = "/tmp/zubbench-XXXXXX";
    if (!mkdtemp(templ)) std::abort();
    static std::string home = templ;
    setenv("HOME", templ, 1);
    std::atexit([] { zub::remove_tree(home); });
    setenv("no_proxy", "*", 1);
    return true;
  }();
  (void)done;
}

// Debug notes, were they on, are kept instead of printed.
zub::Output& notes() {
  static zub::Output out = [] {
    zub::Output o;
    o.capture = true;
    return o;
  }();
  return out;
}

void run_all(benchmark::State& state, const std::vector<std::string>& urls) {
  sandbox();
  zub::FetchPolicy policy = zub::fetch_policy_from_env();
  policy.no_cache = true;  // every iteration goes to the network
  for (auto _ : state) {
    auto results = zub::fetch_all(urls, policy, notes());
    for (const auto& r : results)
      if (!r.ok) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(results);
  }
  state.counters["delay_ms"] = kDelayMs;
}

void BM_FetchAll_8Hosts_Threads(benchmark::State& state) {
  std::vector<std::string> urls;
  auto hosts = host_list();
  for (int i = 0; i < 8; ++i) urls.push_back(server().url("/p" + std::to_string(i), hosts[i]));
  run_all(state, urls);
}

void BM_FetchAll_1Host_Batch(benchmark::State& state) {
  std::vector<std::string> urls;
  for (int i = 0; i < 8; ++i) urls.push_back(server().url("/p" + std::to_string(i), "127.0.0.2"));
  run_all(state, urls);
}

void BM_FetchOne_8_Sequential(benchmark::State& state) {
  sandbox();
  zub::FetchPolicy policy = zub::fetch_policy_from_env();
  policy.no_cache = true;
  auto hosts = host_list();
  for (auto _ : state) {
    for (int i = 0; i < 8; ++i) {
      auto r =
          zub::fetch_one(server().url("/p" + std::to_string(i), hosts[i]), "25", policy, notes());
      if (!r.ok) state.SkipWithError(r.error.c_str());
    }
  }
  state.counters["delay_ms"] = kDelayMs;
}

void BM_FetchOne_CacheHit(benchmark::State& state) {
  sandbox();
  const std::string url = server().url("/cached", "127.0.0.2");
  const zub::FetchPolicy policy = zub::fetch_policy_from_env();
  if (!zub::fetch_one(url, "25", policy, notes()).ok) state.SkipWithError("priming failed");
  for (auto _ : state) {
    auto r = zub::fetch_one(url, "25", policy, notes());
    if (!r.ok) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(r);
  }
}

}  // namespace

BENCHMARK(BM_FetchAll_8Hosts_Threads)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FetchAll_1Host_Batch)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FetchOne_8_Sequential)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FetchOne_CacheHit)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
