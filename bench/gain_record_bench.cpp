// The cost of recording one call in the gain ledger, in process: the state
// directory opened and checked, the ledger opened with O_APPEND, one write,
// and (for GainCall) the clock and the switch around it. The ledger lives
// in a fresh temporary state home and rotates as it grows, so the rotation
// is part of the average.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "base/dir_tree.h"
#include "base/env.h"
#include "base/output.h"
#include "cli/gain_call.h"
#include "cli/gain_ledger.h"

namespace {

struct StateHome {
  std::string path;
  StateHome() {
    path = zub::temp_dir() + "/zub-gain-bench-XXXXXX";
    if (mkdtemp(path.data())) setenv("XDG_STATE_HOME", path.c_str(), 1);
    unsetenv("ZUB_NO_GAIN");
  }
  ~StateHome() { zub::remove_tree(path); }
};

void BM_AppendGainRecord(benchmark::State& state) {
  StateHome home;
  const zub::GainRecord r{1796751301, "grep", 1048576, 4096, 12, 0};
  for (auto _ : state) benchmark::DoNotOptimize(zub::append_gain_record(r));
}
BENCHMARK(BM_AppendGainRecord);

void BM_GainCallAroundADispatch(benchmark::State& state) {
  StateHome home;
  zub::Output out;
  out.capture = true;
  for (auto _ : state) {
    zub::GainCall call("read", out);
    benchmark::DoNotOptimize(call.finish(0));
  }
}
BENCHMARK(BM_GainCallAroundADispatch);

}  // namespace
