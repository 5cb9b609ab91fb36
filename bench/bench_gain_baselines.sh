#!/usr/bin/env bash
# How honest the gain ledger's baselines are: for each question, the
# baseline zub books against the bytes the equivalent plain command prints
# (capped, as the ledger is, at the host's inline limit), with the baseline
# of the binary ZUB_OLD books for the same call when it is given.
# Run from anywhere; it asks its questions of this repository's src/.
# Writes its table to a new file under bench/results/ (bench/results_file.sh).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
TOP=$(cd "$HERE/.." && pwd)
ZUB=${ZUB_BIN:-$TOP/build/zub}
OLD=${ZUB_OLD:-}
CAP=${ZUB_HOST_INLINE_CHARS:-30000}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$TOP"

# The baseline the last recorded call booked, with binary $1.
booked() {
  local bin=$1; shift
  rm -rf "$WORK/state"
  XDG_STATE_HOME=$WORK/state "$bin" "$@" >/dev/null 2>&1 || true
  cut -f3 "$WORK/state/zub/gain.log" | tail -1
}

cap() { local n=$1; [ "$n" -gt "$CAP" ] && n=$CAP; echo "$n"; }

row() {  # question | zub arguments | plain command
  local question=$1 args=$2 plain=$3
  local p new old=-
  p=$(cap "$(sh -c "$plain" 2>/dev/null | wc -c)")
  # shellcheck disable=SC2086
  new=$(booked "$ZUB" $args)
  # shellcheck disable=SC2086
  [ -n "$OLD" ] && old=$(booked "$OLD" $args)
  echo "| $question | \`zub $args\` | \`${plain//|/\\|}\` | $p | $new | $old |"
}

OUT=$(bash "$HERE/results_file.sh" gain-baselines)
{
  echo "# gain: baselines against what the plain command prints"
  echo
  echo "Each row is one question asked of this repository's \`src/\`: the bytes the plain command prints (capped at $CAP, the host's inline limit), the baseline zub now books for the same question, and the one the older binary booked (\`ZUB_OLD\`, when given)."
  echo
  echo "| question | zub call | plain command | plain bytes (capped) | booked now | booked before |"
  echo "|---|---|---|---|---|---|"
  row "files naming a word" "grep -l -w GainCall src" "grep -rlw GainCall src"
  row "hits per file" "grep -c GainCall src" "grep -rc GainCall src | grep -v ':0\$'"
  row "lines with a word" "grep -w GainCall src" "grep -rnw GainCall src"
  row "pieces that match" "grep -o -E Gain[A-Z][a-z]+ src" "grep -rnoE 'Gain[A-Z][a-z]+' src"
  row "is it there at all" "grep -q GainCall src" "grep -rq GainCall src"
  row "files without a word" "grep -L namespace src/cli" "grep -rL namespace src/cli"
  row "a file's declarations" "outline src/cli/frontend.cpp" "cat src/cli/frontend.cpp"
  row "a big file's headings (94 KB)" "outline README.md" "cat README.md"
} >> "$OUT"
echo "$OUT"
cat "$OUT"
