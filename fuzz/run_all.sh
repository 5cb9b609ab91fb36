#!/usr/bin/env bash
# Runs every libFuzzer target built in BUILD for SECONDS each, JOBS at a time,
# starting from the seed corpus in fuzz/seeds/<target>/ when there is one.
# New inputs go to a scratch corpus (fuzz/corpus-work, not committed); a
# crashing input is left there as crash-* and the script fails.
# With "replay" instead of SECONDS, every stored seed is run once and nothing
# new is tried (-runs=0): the gate CI uses, the same on every run.
#   bash fuzz/run_all.sh build-asan 60
#   bash fuzz/run_all.sh build-asan replay
set -u
BUILD=${1:-build-asan}
SECONDS_EACH=${2:-30}
JOBS=${JOBS:-$(nproc)}
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
export HERE SECONDS_EACH

run_one() {
  t=$1
  name=$(basename "$t")
  work="$HERE/corpus-work/$name"
  seeds=()
  [ -d "$HERE/seeds/$name" ] && seeds=("$HERE/seeds/$name")
  if [ "$SECONDS_EACH" = replay ]; then
    # A scratch directory of its own, empty, so the run sees exactly the
    # stored seeds and writes nothing into them or into earlier work.
    work="$HERE/corpus-work/replay/$name"
    rm -rf "$work" && mkdir -p "$work"
    "$t" -runs=0 -rss_limit_mb=4096 -timeout=20 -artifact_prefix="$work/" \
      "$work" "${seeds[@]}" > "$work.log" 2>&1 &&
      echo "$name: ok, $(find "${seeds[@]}" -type f 2>/dev/null | wc -l) seeds replayed" &&
      return 0
  else
    mkdir -p "$work"
    "$t" -max_total_time="$SECONDS_EACH" -rss_limit_mb=4096 -timeout=20 \
      -artifact_prefix="$work/" "$work" "${seeds[@]}" > "$work.log" 2>&1 &&
      echo "$name: ok, $(grep -Eo '^#[0-9]+' "$work.log" | tail -1 | tr -d '#') runs in ${SECONDS_EACH}s" &&
      return 0
  fi
  echo "$name: FAILED"
  echo "$work" >> "$HERE/corpus-work/failed"
  return 1
}
export -f run_one

ls "$ROOT/$BUILD"/*_fuzz >/dev/null 2>&1 || { echo "no fuzz targets in $BUILD"; exit 1; }
mkdir -p "$HERE/corpus-work"
rm -f "$HERE/corpus-work/failed"
ls "$ROOT/$BUILD"/*_fuzz | xargs -P "$JOBS" -n 1 bash -c 'run_one "$0"'
status=$?
# The failures' logs come last, so that a reader of only the output's tail
# (a CI summary) still sees which target failed and on what input.
if [ -s "$HERE/corpus-work/failed" ]; then
  while read -r work; do
    echo "== $(basename "$work"): the end of its log =="
    tail -40 "$work.log"
  done < "$HERE/corpus-work/failed"
fi
exit $status
