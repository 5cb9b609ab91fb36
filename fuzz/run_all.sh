#!/usr/bin/env bash
# Runs every libFuzzer target built in BUILD for SECONDS each, starting from
# the seed corpus in fuzz/seeds/<target>/ when there is one. New inputs go to
# a scratch corpus that is not committed.
set -u
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-30}
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
status=0
for t in "$ROOT/$BUILD"/*_fuzz; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  work="$HERE/corpus-work/$name"
  mkdir -p "$work"
  seeds=()
  [ -d "$HERE/seeds/$name" ] && seeds=("$HERE/seeds/$name")
  echo "== $name (${SECONDS_EACH}s)"
  "$t" -max_total_time="$SECONDS_EACH" -rss_limit_mb=4096 -timeout=20 "$work" "${seeds[@]}" \
    > "$work.log" 2>&1 || { status=1; tail -40 "$work.log"; }
  grep -E '^(#[0-9]+ *DONE|Done [0-9]+ runs)' "$work.log" | tail -1
done
exit $status
