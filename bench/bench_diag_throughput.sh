#!/usr/bin/env bash
# Throughput of `zub diag` on real tool outputs scaled up: the stored outputs
# of bench/realcode/diag/outputs (real compilers, linters and test runners)
# concatenated over and over to SIZE_MB megabytes, in three mixes: builds
# and type checks (gcc, clang, g++, cargo, go, make, tsc, eslint), test runs
# (every runner-*.txt, pytest, jest, node --test, unittest, go test, cargo
# test, ctest) and all of them. Each mix is summarised RUNS times; prints
# the median and the range of the wall and CPU (user+sys) seconds and the
# rate, with a second binary (OLD) beside when given, and one run of the
# whole mix at 256 MiB, the filters' input cap. Prints a Markdown table;
# writes nothing in the repository.
#
#   bash bench/bench_diag_throughput.sh [NEW_ZUB] [OLD_ZUB]
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
NEW=${1:-$ROOT/build/zub}
OLD=${2:-}
RUNS=${BENCH_RUNS:-5}
SIZE_MB=${SIZE_MB:-100}
OUT=$HERE/realcode/diag/outputs
export ZUB_NO_RAW=1 ZUB_NO_GAIN=1
WORK=$(mktemp -d "${TMPDIR:-/tmp}/zub-bench-diag.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# scale NAME BYTES FILE...: the files one after another, repeated, cut at BYTES.
scale() {
  local name=$1 bytes=$2
  shift 2
  python3 - "$WORK/$name.log" "$bytes" "$@" <<'PY'
import sys
out, size, files = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
unit = b"".join(open(f, "rb").read() for f in files)
with open(out, "wb") as f:
    left = size
    while left > 0:
        f.write(unit[:left])
        left -= len(unit)
PY
}

shopt -s nullglob
build=("$OUT"/{gcc,clang,gxx,cargo-build,cargo-many,go-build,go-vet,make-link,tsc,eslint}*.txt)
tests=("$OUT"/runner-*.txt "$OUT"/{pytest,jest,node-test,py-unittest,go-test,cargo-test,ctest}*.txt)
all=("$OUT"/*.txt)
BYTES=$((SIZE_MB * 1000 * 1000))
scale build $BYTES "${build[@]}"
scale tests $BYTES "${tests[@]}"
scale all $BYTES "${all[@]}"
scale all256 $((256 << 20)) "${all[@]}"

# stats BIN LOG: "median_wall min_wall max_wall median_cpu min_cpu max_cpu"
stats() {
  local bin=$1 log=$2 i
  for ((i = 0; i < RUNS; i++)); do
    /usr/bin/time -f "%e %U %S" "$bin" diag <"$log" 2>&1 >/dev/null | tail -1
  done | python3 -c '
import sys, statistics
rows = [tuple(map(float, l.split())) for l in sys.stdin if l.strip()]
wall = sorted(r[0] for r in rows)
cpu = sorted(r[1] + r[2] for r in rows)
print(statistics.median(wall), wall[0], wall[-1], statistics.median(cpu), cpu[0], cpu[-1])'
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| input | binary | wall s (median, range) | MB/s wall | CPU s (median, range) | MB/s CPU |"
echo "|---|---|---|---|---|---|"
for mix in build tests all; do
  log=$WORK/$mix.log
  mb=$(python3 -c "import os; print(os.path.getsize('$log') / 1e6)")
  for pair in "new:$NEW" ${OLD:+"old:$OLD"}; do
    label=${pair%%:*} bin=${pair#*:}
    read -r w w0 w1 c c0 c1 < <(stats "$bin" "$log")
    python3 -c "print(f'| $mix {$mb:.0f} MB | $label | {$w:.2f} ({$w0:.2f}-{$w1:.2f}) | {$mb/$w:.0f} | {$c:.2f} ({$c0:.2f}-{$c1:.2f}) | {$mb/$c:.0f} |')"
  done
done
for pair in "new:$NEW" ${OLD:+"old:$OLD"}; do
  label=${pair%%:*} bin=${pair#*:}
  read -r w _ _ c _ _ < <(RUNS=1 stats "$bin" "$WORK/all256.log")
  echo "| all 256 MiB, one run | $label | $w | $(python3 -c "print(round(268.435456 / $w))") | $c | $(python3 -c "print(round(268.435456 / $c))") |"
done
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
