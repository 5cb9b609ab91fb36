#!/usr/bin/env bash
# Runs every benchmark: the Google Benchmark binaries built in BUILD and the
# bench_*.sh scripts beside this file. Each script writes a new file under
# bench/results/DATE-MACHINE/ (bench/results_file.sh); the Google Benchmark
# tables go to google-benchmark.md there.
set -u
BUILD=${1:-build-bench}
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
export ZUB_BIN=${ZUB_BIN:-$ROOT/$BUILD/zub}
status=0
gb=
for b in "$ROOT/$BUILD"/*_bench; do
  [ -x "$b" ] || continue
  [ -n "$gb" ] || gb=$(bash "$HERE/results_file.sh" google-benchmark)
  echo "== $(basename "$b")"
  { echo; echo "## $(basename "$b") --benchmark_min_time=0.2"; echo; echo '```'; } >> "$gb"
  "$b" --benchmark_min_time=0.2 | tee -a "$gb" || status=1
  echo '```' >> "$gb"
done
for s in "$HERE"/bench_*.sh; do
  [ -f "$s" ] || continue
  echo "== $(basename "$s")"
  bash "$s" || status=1
done
exit $status
