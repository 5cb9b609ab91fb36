// The source-tree walk over the unpacked kernel tree (bench/kernel_tree.sh)
// against `find TREE -type f` as the peer, both timed in this harness.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "base/process.h"
#include "search/walk.h"

namespace {

std::string tree() {
  const char* dir = std::getenv("ZUB_BENCH_DIR");
  return std::string(dir ? dir : "/var/tmp/zub-bench") + "/linux-source-6.1";
}

void BM_walk(benchmark::State& state) {
  size_t files = 0;
  for (auto _ : state) {
    zub::WalkResult r = zub::walk_roots({tree()}, {});
    files = r.files.size();
    benchmark::DoNotOptimize(r);
  }
  if (files == 0) state.SkipWithError("kernel tree missing: run bench/kernel_tree.sh");
  state.counters["files"] = static_cast<double>(files);
}

void BM_find_peer(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) {
    zub::ProcessResult r = zub::run_process({"find", tree(), "-type", "f"}, {});
    bytes = r.out.size();
    benchmark::DoNotOptimize(r);
  }
  state.counters["output_KB"] = static_cast<double>(bytes) / 1e3;
}

}  // namespace

BENCHMARK(BM_walk)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_find_peer)->Unit(benchmark::kMillisecond)->MinTime(2.0);
