#!/usr/bin/env bash
# Throughput of `zub trim` and `zub logs` on a generated 200 MB log of ten
# million lines, against `awk '!seen[$0]++'` and `sort | uniq -c`.
# Writes its table to a new file under bench/results/ (bench/results_file.sh).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
ZUB=${ZUB_BIN:-$ROOT/build/zub}
RUNS=${BENCH_RUNS:-5}
[ -x "$ZUB" ] || { echo "no zub binary at $ZUB (set ZUB_BIN)" >&2; exit 1; }

need() {
  command -v "$1" >/dev/null 2>&1 && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get install -y "$2" >/dev/null
}
need hyperfine hyperfine
need mawk mawk
need python3 python3

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zub-bench-compress.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
LOG=$WORK/big.log

# Half request lines that are all distinct (a counter and a number that
# repeats), three tenths progress lines from 2000 shapes that repeat
# exactly, one tenth blank, one tenth coloured warnings.
mawk 'BEGIN {
  for (i = 0; i < 10000000; i++) {
    r = i % 10
    if (r < 5) printf "%d INFO get /a/%d %dms\n", i, i % 500, i % 97
    else if (r < 8) printf "build step %d\n", i % 2000
    else if (r < 9) print ""
    else printf "\033[33mWARN\033[0m slow %d\n", i % 300
  }
}' > "$LOG"
BYTES=$(stat -c %s "$LOG")
LINES=$(wc -l < "$LOG")
echo "input: $BYTES bytes, $LINES lines"

# Every command reads the file as standard input and writes to /dev/null.
hyperfine --runs "$RUNS" --warmup 1 --style basic --export-json "$WORK/h.json" \
  -n "zub trim" "'$ZUB' trim < '$LOG' > /dev/null" \
  -n "zub logs" "'$ZUB' logs < '$LOG' > /dev/null" \
  -n "zub logs 100000000" "'$ZUB' logs 100000000 < '$LOG' > /dev/null" \
  -n "awk '!seen[\$0]++'" "mawk '!seen[\$0]++' < '$LOG' > /dev/null" \
  -n "sort | uniq -c" "LC_ALL=C sort '$LOG' | uniq -c > /dev/null"

SECTION=$(python3 - "$WORK/h.json" "$BYTES" "$LINES" "$RUNS" "$(nproc)" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))["results"]
size, lines, runs, cpus = int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
med = {r["command"]: r["median"] for r in data}
awk = med["awk '!seen[$0]++'"]
out = ["## trim and logs throughput", "",
       f"Script: `bench/bench_compress.sh` (hyperfine, {runs} runs after one warm-up; medians).",
       f"Input: a generated log of {size / 1e6:.0f} MB and {lines:,} lines (half distinct request",
       "lines, three tenths exact repeats from 2000 progress lines, one tenth blank, one tenth",
       "coloured warnings), read from a file as standard input, output to /dev/null.",
       f"Machine: {cpus} cores, shared with parallel builds and fuzzing of other work while",
       "this ran, so wall times include waiting for a core; the CPU columns (user + system,",
       "mean over the runs) show the work each command itself did.", "",
       "| command | median wall s | MB/s (wall) | CPU s | MB/s (CPU) | wall vs awk '!seen[$0]++' |",
       "|---|---|---|---|---|---|"]
for r in data:
    m = r["median"]
    cpu = r["user"] + r["system"]
    name = r["command"].replace("|", "\\|")
    out.append(f"| `{name}` | {m:.3f} | {size / 1e6 / m:.0f} | {cpu:.3f} | "
               f"{size / 1e6 / cpu:.0f} | {awk / m:.2f}x |")
print("\n".join(out))
PY
)
echo "$SECTION"

RESULTS=$(bash "$HERE/results_file.sh" trim-logs)
python3 - "$RESULTS" "$SECTION" <<'PY'
import sys, re
path, section = sys.argv[1], sys.argv[2]
text = open(path).read()
start, end = "<!-- bench_compress:start -->", "<!-- bench_compress:end -->"
block = f"{start}\n{section}\n{end}"
if start in text:
    text = re.sub(re.escape(start) + ".*?" + re.escape(end), lambda m: block, text, flags=re.S)
else:
    text = text.rstrip("\n") + "\n\n" + block + "\n"
open(path, "w").write(text)
PY
