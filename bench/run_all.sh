#!/usr/bin/env bash
# Runs every benchmark: the Google Benchmark binaries built in BUILD and the
# bench_*.sh scripts beside this file. Each script appends or rewrites its
# own section of bench/RESULTS.md.
set -u
BUILD=${1:-build-bench}
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
export ZUB_BIN=${ZUB_BIN:-$ROOT/$BUILD/zub}
status=0
for b in "$ROOT/$BUILD"/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2 || status=1
done
for s in "$HERE"/bench_*.sh; do
  [ -f "$s" ] || continue
  echo "== $(basename "$s")"
  bash "$s" || status=1
done
exit $status
