#!/usr/bin/env bash
# Runs every libFuzzer target built in BUILD for SECONDS each, JOBS at a time,
# starting from the seed corpus in fuzz/seeds/<target>/ when there is one.
# New inputs go to a scratch corpus (fuzz/corpus-work, not committed); a
# crashing input is left there as crash-* and the script fails.
set -u
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-30}
JOBS=${JOBS:-$(nproc)}
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
export HERE SECONDS_EACH

run_one() {
  t=$1
  name=$(basename "$t")
  work="$HERE/corpus-work/$name"
  mkdir -p "$work"
  seeds=()
  [ -d "$HERE/seeds/$name" ] && seeds=("$HERE/seeds/$name")
  if "$t" -max_total_time="$SECONDS_EACH" -rss_limit_mb=4096 -timeout=20 \
      -artifact_prefix="$work/" "$work" "${seeds[@]}" > "$work.log" 2>&1; then
    echo "$name: ok, $(grep -Eo '^#[0-9]+' "$work.log" | tail -1 | tr -d '#') runs in ${SECONDS_EACH}s"
  else
    echo "$name: FAILED"
    echo "$name" >> "$HERE/corpus-work/failed"
    return 1
  fi
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
  while read -r name; do
    echo "== $name: the end of its log =="
    tail -40 "$HERE/corpus-work/$name.log"
  done < "$HERE/corpus-work/failed"
fi
exit $status
