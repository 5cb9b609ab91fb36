// In-process throughput of the page converter and its stages over the
// shared corpus of real pages (skipped when the corpus is absent), plus the
// adversarial inputs that a naive scan would turn quadratic.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "html/block_classify.h"
#include "html/entities.h"
#include "html/html_blocks.h"
#include "html/html_strip.h"
#include "html/markdown.h"

namespace {

const std::vector<std::string>& corpus() {
  static const std::vector<std::string> pages = [] {
    std::vector<std::string> out;
    // This file lives in bench/ of the source tree; the corpus beside it.
    const std::string src = std::filesystem::path(__FILE__).parent_path().parent_path().string();
    for (const char* rel : {"/../shared/corpus/html", "/../../shared/corpus/html"}) {
      const std::filesystem::path dir = src + rel;
      if (!std::filesystem::is_directory(dir)) continue;
      for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".html") {
          zub::ReadResult r = zub::read_file(e.path().string());
          if (r.ok) out.push_back(std::move(r.data));
        }
      break;
    }
    return out;
  }();
  return pages;
}

template <typename Fn>
void over_corpus(benchmark::State& state, Fn fn) {
  const auto& pages = corpus();
  if (pages.empty()) {
    state.SkipWithError("no corpus");
    return;
  }
  size_t bytes = 0;
  for (auto _ : state)
    for (const std::string& p : pages) {
      fn(p);
      bytes += p.size();
    }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void BM_HtmlToMarkdown(benchmark::State& state) {
  over_corpus(state,
              [](const std::string& p) { benchmark::DoNotOptimize(zub::html_to_markdown(p)); });
}
BENCHMARK(BM_HtmlToMarkdown)->Unit(benchmark::kMillisecond);

void BM_StripElements(benchmark::State& state) {
  over_corpus(state,
              [](const std::string& p) { benchmark::DoNotOptimize(zub::strip_elements(p)); });
}
BENCHMARK(BM_StripElements)->Unit(benchmark::kMillisecond);

void BM_ScanAndClassify(benchmark::State& state) {
  std::vector<std::string> stripped;
  for (const std::string& p : corpus())
    stripped.push_back(zub::strip_elements(zub::content_root(p)));
  if (stripped.empty()) {
    state.SkipWithError("no corpus");
    return;
  }
  size_t bytes = 0;
  for (auto _ : state)
    for (const std::string& s : stripped) {
      const auto blocks = zub::scan_blocks(s);
      benchmark::DoNotOptimize(zub::classify_blocks(blocks));
      bytes += s.size();
    }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ScanAndClassify)->Unit(benchmark::kMillisecond);

void BM_DecodeEntities(benchmark::State& state) {
  over_corpus(state,
              [](const std::string& p) { benchmark::DoNotOptimize(zub::decode_entities(p)); });
}
BENCHMARK(BM_DecodeEntities)->Unit(benchmark::kMillisecond);

void BM_UnclosedScripts(benchmark::State& state) {
  std::string doc;
  for (int64_t i = 0; i < state.range(0); ++i) doc += "<script>";
  for (auto _ : state) benchmark::DoNotOptimize(zub::html_to_markdown(doc));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_UnclosedScripts)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
