// In-process throughput of the three filters on a generated log, without
// the cost of reading standard input or writing the result.
#include <benchmark/benchmark.h>

#include <string>

#include "compress/diag.h"
#include "compress/logs.h"
#include "compress/trim.h"

namespace {

// Request lines that are all distinct, exact repeats, blanks and coloured
// warnings, about 21 bytes a line.
const std::string& sample_log() {
  static const std::string log = [] {
    std::string s;
    for (int i = 0; i < 1000000; ++i) {
      switch (i % 10) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
          s += std::to_string(i) + " INFO get /a/" + std::to_string(i % 500) + " " +
               std::to_string(i % 97) + "ms\n";
          break;
        case 5:
        case 6:
        case 7: s += "build step " + std::to_string(i % 2000) + "\n"; break;
        case 8: s += "\n"; break;
        default: s += "\x1b[33mWARN\x1b[0m slow " + std::to_string(i % 300) + "\n";
      }
    }
    return s;
  }();
  return log;
}

// Linter output of the table style and test-runner lines.
const std::string& sample_lint() {
  static const std::string lint = [] {
    std::string s;
    for (int i = 0; i < 200000; ++i) {
      if (i % 50 == 0) s += "src/file" + std::to_string(i / 50) + ".tsx\n";
      s += "  " + std::to_string(i) + ":3  error  'x' is not defined  no-undef-" +
           std::to_string(i % 40) + "\n";
      if (i % 7 == 0) s += "ok " + std::to_string(i) + " - test\n";
    }
    return s;
  }();
  return lint;
}

void BM_Trim(benchmark::State& state) {
  const std::string& in = sample_log();
  for (auto _ : state) benchmark::DoNotOptimize(zub::trim(in, 200));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}
BENCHMARK(BM_Trim)->Unit(benchmark::kMillisecond);

void BM_LogsAllLines(benchmark::State& state) {
  const std::string& in = sample_log();
  for (auto _ : state) benchmark::DoNotOptimize(zub::logs(in, UINT64_MAX));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}
BENCHMARK(BM_LogsAllLines)->Unit(benchmark::kMillisecond);

void BM_LogsDefaultLimit(benchmark::State& state) {
  const std::string& in = sample_log();
  for (auto _ : state) benchmark::DoNotOptimize(zub::logs(in, zub::kLogsDefaultLimit));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}
BENCHMARK(BM_LogsDefaultLimit)->Unit(benchmark::kMillisecond);

void BM_Diag(benchmark::State& state) {
  const std::string& in = sample_lint();
  for (auto _ : state) benchmark::DoNotOptimize(zub::diag(in));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}
BENCHMARK(BM_Diag)->Unit(benchmark::kMillisecond);

}  // namespace
