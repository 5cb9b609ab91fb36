// Time spent reading the engines' answers once they have arrived: a result
// page of the size the public engines send (10 results among ~400 KB of
// inline script and markup), the local service's JSON, and the fusion of
// three lists of ten. The network waits of `web` are seconds; these are
// the parts that run on the tool's own CPU.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "web/engines.h"
#include "web/fusion.h"
#include "web/listing.h"
#include "web/searx_json.h"

namespace {

std::string filler(size_t bytes) {
  std::string s = "<script>var _w=window,_d=document;";
  while (s.size() < bytes)
    s += "_w.sj_evt&&_w.sj_evt.bind('onP1',function(){_d.body.className+=' b_x';},1);";
  return s + "</script>\n";
}

std::string bing_like_page() {
  std::string page =
      "<!DOCTYPE html><html><head>" + filler(200000) + "</head><body><ol id=\"b_results\">";
  for (int i = 0; i < 10; ++i) {
    const std::string url =
        "https://site" + std::to_string(i) + ".example.org/docs/page-" + std::to_string(i);
    page +=
        "<li class=\"b_algo\" data-id iid=\"SERP." + std::to_string(5000 + i) +
        "\"><div class=\"b_tpcn\"><a class=\"tilk\" "
        "href=\"https://www.bing.com/ck/a?!&amp;&amp;p=3f1c"
        "&amp;u=a1aHR0cHM6Ly9zaXRlLmV4YW1wbGUub3JnL2RvY3MvcGFnZQ&amp;ntb=1\"><div "
        "class=\"tptt\">Site</div>"
        "<cite>site.example.org › docs</cite></a></div><h2><a href=\"" +
        url + "\">Result title number " + std::to_string(i) +
        " - Example Docs</a></h2>"
        "<div class=\"b_caption\"><p class=\"b_lineclamp2\">A caption of a typical length that "
        "describes the page in two lines of text, with a few &amp; entities &quot;here&quot;.</p>"
        "</div></li>";
  }
  return page + "</ol>" + filler(200000) + "</body></html>";
}

std::string searx_like_json() {
  std::string body = "{\"query\":\"q\",\"results\":[";
  for (int i = 0; i < 30; ++i) {
    if (i) body += ",";
    body += "{\"url\":\"https://site" + std::to_string(i) +
            ".example.org/a\",\"title\":\"Title \\u2014 " + std::to_string(i) +
            "\",\"content\":\"Some content with \\\"quotes\\\" and text.\","
            "\"engines\":[\"a\",\"b\"],\"positions\":[1,2],\"score\":1.5,\"parsed_url\":[\"https\","
            "\"x\"]}";
  }
  return body + "],\"answers\":[],\"suggestions\":[]}";
}

void BM_ParseResultPage(benchmark::State& state) {
  const std::string page = bing_like_page();
  for (auto _ : state)
    benchmark::DoNotOptimize(zub::parse_result_page(page, "<li class=\"b_algo\""));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_ParseResultPage);

void BM_ParseSearxJson(benchmark::State& state) {
  const std::string body = searx_like_json();
  for (auto _ : state) benchmark::DoNotOptimize(zub::parse_searx_results(body));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_ParseSearxJson);

void BM_FuseAndList(benchmark::State& state) {
  std::vector<zub::SearchHit> a, b, c;
  for (int i = 0; i < 10; ++i) {
    const std::string n = std::to_string(i);
    a.push_back(
        {"Title " + n + " - Site", "https://www.s" + n + ".example/p?utm_source=x", "snippet"});
    b.push_back(
        {"Title " + n, "http://s" + std::to_string(9 - i) + ".example/p/", "a longer snippet"});
    c.push_back({"Other " + n, "https://o" + n + ".example/q?page=" + n, "snippet text"});
  }
  for (auto _ : state) {
    auto fused = zub::fuse_hits({{"searx", &a}, {"brave", &b}, {"bing", &c}});
    auto kept = zub::select_per_host(std::move(fused), 6);
    benchmark::DoNotOptimize(zub::format_listing(kept, 6, false));
  }
}
BENCHMARK(BM_FuseAndList);

}  // namespace
