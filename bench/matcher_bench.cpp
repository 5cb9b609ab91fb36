// Matcher throughput over real C source: the lines of a few kernel
// directories (or of this repository's sources when the kernel tree is not
// unpacked; run bench/kernel_tree.sh first). Reports bytes per second for
// the DFA path (what grep uses) and the thread simulation alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "base/file_io.h"
#include "base/text.h"
#include "re/compile.h"
#include "re/matcher.h"
#include "search/needle.h"
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
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(c.text.size()));
  state.counters["hits"] = static_cast<double>(hits);
  state.counters["corpus_MB"] = static_cast<double>(c.text.size()) / 1e6;
}

}  // namespace

// Literal-led: a word followed by a class run.
BENCHMARK_CAPTURE(run, literal_led_dfa, "spin_lock\\w*\\(", false, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, literal_led_nfa, "spin_lock\\w*\\(", false, false)
    ->Unit(benchmark::kMillisecond);
// Class-heavy: identifiers, operators and numbers, case-insensitive.
BENCHMARK_CAPTURE(run, class_heavy_dfa, "[a-z_][a-z0-9_]*\\s*=\\s*0x[0-9a-f]+", true, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, class_heavy_nfa, "[a-z_][a-z0-9_]*\\s*=\\s*0x[0-9a-f]+", true, false)
    ->Unit(benchmark::kMillisecond);
// Pathological for backtracking engines.
BENCHMARK_CAPTURE(run, pathological_dfa, "(\\w+\\s?)*;$", false, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, pathological_nfa, "(\\w+\\s?)*;$", false, false)
    ->Unit(benchmark::kMillisecond);
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
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(line.size()));
}

}  // namespace

BENCHMARK_CAPTURE(pathological_line, star_star_dfa, "(a*)*b", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(pathological_line, star_star_nfa, "(a*)*b", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(pathological_line, alt_star_dfa, "(a|aa)*c", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(pathological_line, alt_star_nfa, "(a|aa)*c", false)
    ->Unit(benchmark::kMicrosecond);

// Shapes that made only-matching output and the literal finder quadratic:
// each is run at doubling sizes, so linear time shows as doubling time.
namespace {

// A minified line with one early ".png": every later start can run ".*" to
// the end of the line without finding another.
std::string minified_line(size_t n) {
  static const char* const kParts[] = {"var a=1;", "function f(x){return x+1}", "\"img/x1.gif\",",
                                       "b.c(d,e);", "if(a){b()}else{c()}"};
  std::string line = "\"a.png\",";
  for (size_t k = 0; line.size() < n; ++k) line += kParts[(k * 7 + 3) % 5];
  line.resize(n);
  return line;
}

std::string pairs_line(size_t pairs) {
  std::string line = "x";
  for (size_t k = 0; k < pairs; ++k) line += "ab";
  return line;
}

void only_matching(benchmark::State& state, const char* pattern, bool pairs) {
  const size_t n = static_cast<size_t>(state.range(0));
  const std::string line = pairs ? pairs_line(n) : minified_line(n);
  zub::CompileResult p = zub::compile_pattern(pattern, false);
  zub::MatchScratch s;
  std::vector<std::pair<size_t, size_t>> pieces;
  for (auto _ : state) {
    pieces.clear();
    zub::match_pieces(p.pattern, s, line, pieces);
    benchmark::DoNotOptimize(pieces.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(line.size()));
}

// The same pieces by asking the longest match at every start (the way they
// were found before): kept at small sizes to show the quadratic growth.
void only_matching_per_start(benchmark::State& state, const char* pattern) {
  const std::string line = minified_line(static_cast<size_t>(state.range(0)));
  zub::CompileResult p = zub::compile_pattern(pattern, false);
  zub::MatchScratch s;
  for (auto _ : state) {
    size_t count = 0;
    for (size_t start = 0; start <= line.size();) {
      const zub::LongestMatch m = zub::longest_match_from(p.pattern, s, line, start);
      if (m.found && m.end > start) {
        ++count;
        start = m.end;
      } else {
        ++start;
      }
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(line.size()));
}

// A 120 KB periodic needle over text of 50 KB lines of the same period: a
// near match starts at almost every position and none completes.
void periodic_needle(benchmark::State& state, bool icase) {
  const size_t total = static_cast<size_t>(state.range(0)) << 10;
  std::string needle;
  while (needle.size() < 120 * 1000) needle += icase ? "AB" : "ab";
  std::string line;
  while (line.size() < 50 * 1000) line += "ab";
  line += '\n';
  std::string hay;
  while (hay.size() < total) hay += line;
  const zub::Needle n = zub::make_needle(needle, icase);
  for (auto _ : state) benchmark::DoNotOptimize(zub::needle_find(n, hay));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(hay.size()));
}

}  // namespace

BENCHMARK_CAPTURE(only_matching, dot_star_png, ".*\\.png", false)
    ->Arg(13 << 10)
    ->Arg(26 << 10)
    ->Arg(52 << 10)
    ->Arg(104 << 10)
    ->Arg(208 << 10)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(only_matching, class_star_alt, "[ab]*c|x", true)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(80000)
    ->Arg(160000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(only_matching_per_start, dot_star_png, ".*\\.png")
    ->Arg(1 << 10)
    ->Arg(2 << 10)
    ->Arg(4 << 10)
    ->Arg(8 << 10)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(periodic_needle, icase, true)
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Arg(4096)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(periodic_needle, exact, false)
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Arg(4096)
    ->Unit(benchmark::kMicrosecond);

namespace {

// The common case: only-matching pieces of the corpus lines a pattern
// selects, as grep finds them (match_pieces) and by asking the longest match
// at every start with no budget, the way they were found before.
void only_matching_corpus(benchmark::State& state, const char* pattern, bool per_start) {
  const Corpus& c = corpus();
  zub::CompileResult p = zub::compile_pattern(pattern, false);
  zub::MatchScratch s;
  std::vector<std::string_view> selected;
  size_t bytes = 0;
  for (std::string_view line : c.lines)
    if (zub::occurs(p.pattern, s, line)) {
      selected.push_back(line);
      bytes += line.size();
    }
  std::vector<std::pair<size_t, size_t>> pieces;
  for (auto _ : state) {
    size_t count = 0;
    for (std::string_view line : selected) {
      if (!per_start) {
        pieces.clear();
        zub::match_pieces(p.pattern, s, line, pieces);
        count += pieces.size();
        continue;
      }
      for (size_t start = 0; start <= line.size();) {
        const zub::LongestMatch m = zub::longest_match_from(p.pattern, s, line, start);
        if (m.found && m.end > start) {
          ++count;
          start = m.end;
        } else {
          ++start;
        }
      }
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  state.counters["lines"] = static_cast<double>(selected.size());
}

}  // namespace

BENCHMARK_CAPTURE(only_matching_corpus, word_led_grep, "spin_lock\\w*", false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(only_matching_corpus, word_led_per_start, "spin_lock\\w*", true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(only_matching_corpus, call_grep, "\\w+\\(", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(only_matching_corpus, call_per_start, "\\w+\\(", true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(only_matching_corpus, hex_grep, "0x[0-9a-f]+", false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(only_matching_corpus, hex_per_start, "0x[0-9a-f]+", true)
    ->Unit(benchmark::kMillisecond);
