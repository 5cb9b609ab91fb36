// Matcher throughput over real C source: the lines of a few kernel
// directories (or of this repository's sources when the kernel tree is not
// unpacked; run bench/kernel_tree.sh first). Reports bytes per second for
// the DFA path (what grep uses) and the thread simulation alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/text.h"
#include "re/compile.h"
#include "re/matcher.h"
#include "search/walk.h"

namespace {

struct Corpus {
  std::string text;
  std::vector<std::string_view> lines;
};

const Corpus& corpus() {
  static Corpus c = [] {
    Corpus c;
    const char* dir = std::getenv("ZUB_BENCH_DIR");
    std::string tree = std::string(dir ? dir : "/var/tmp/zub-bench") + "/linux-source-6.1";
    std::vector<std::string> roots = {tree + "/kernel", tree + "/mm", tree + "/fs/ext4"};
    zub::WalkResult w = zub::walk_roots(roots, {});
    if (w.files.empty()) {
      // This repository's own sources, found from this file's path.
      std::string here = __FILE__;
      here = here.substr(0, here.rfind('/'));
      w = zub::walk_roots({here + "/../src"}, {});
    }
    for (const std::string& f : w.files) {
      zub::ReadResult r = zub::read_file(f);
      if (r.ok) c.text += r.data;
      if (c.text.size() > (16u << 20)) break;
    }
    c.lines = zub::split_lines(c.text);
    return c;
  }();
  return c;
}

void run(benchmark::State& state, const char* pattern, bool icase, bool dfa) {
  const Corpus& c = corpus();
  zub::CompileResult p = zub::compile_pattern(pattern, icase);
  if (!p.ok) {
    state.SkipWithError("pattern does not compile");
    return;
  }
  zub::MatchScratch s;
  s.use_dfa = dfa;
  size_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (std::string_view line : c.lines) hits += zub::occurs(p.pattern, s, line);
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.text.size()));
  state.counters["hits"] = static_cast<double>(hits);
  state.counters["corpus_MB"] = static_cast<double>(c.text.size()) / 1e6;
}

}  // namespace

// Literal-led: a word followed by a class run.
BENCHMARK_CAPTURE(run, literal_led_dfa, "spin_lock\\w*\\(", false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, literal_led_nfa, "spin_lock\\w*\\(", false, false)->Unit(benchmark::kMillisecond);
// Class-heavy: identifiers, operators and numbers, case-insensitive.
BENCHMARK_CAPTURE(run, class_heavy_dfa, "[a-z_][a-z0-9_]*\\s*=\\s*0x[0-9a-f]+", true, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, class_heavy_nfa, "[a-z_][a-z0-9_]*\\s*=\\s*0x[0-9a-f]+", true, false)
    ->Unit(benchmark::kMillisecond);
// Pathological for backtracking engines.
BENCHMARK_CAPTURE(run, pathological_dfa, "(\\w+\\s?)*;$", false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, pathological_nfa, "(\\w+\\s?)*;$", false, false)->Unit(benchmark::kMillisecond);
// Word boundaries, as grep -w builds them.
BENCHMARK_CAPTURE(run, word_dfa, "\\b(?:return)\\b", false, true)->Unit(benchmark::kMillisecond);

namespace {

// One 100 KB line of "a": exponential for a backtracking matcher, linear here.
void pathological_line(benchmark::State& state, const char* pattern, bool dfa) {
  const std::string line(100 * 1000, 'a');
  zub::CompileResult p = zub::compile_pattern(pattern, false);
  zub::MatchScratch s;
  s.use_dfa = dfa;
  for (auto _ : state) benchmark::DoNotOptimize(zub::occurs(p.pattern, s, line));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(line.size()));
}

}  // namespace

BENCHMARK_CAPTURE(pathological_line, star_star_dfa, "(a*)*b", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(pathological_line, star_star_nfa, "(a*)*b", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(pathological_line, alt_star_dfa, "(a|aa)*c", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(pathological_line, alt_star_nfa, "(a|aa)*c", false)->Unit(benchmark::kMicrosecond);
