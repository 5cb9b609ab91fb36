#!/usr/bin/env bash
# Costs of the kept raw output and the gain ledger:
#  - start-up: `zub --version` (never recorded) and a small recorded call
#    with and without recording (ZUB_NO_GAIN), hyperfine -N;
#  - 500 MB through `wrap --logs` and `logs` (file and pipe), wall time and
#    peak memory, against an older binary without either feature
#    (ZUB_OLD=path; the comparison is skipped without it).
# Writes its table to a new file under bench/results/ (bench/results_file.sh).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ZUB=${ZUB_BIN:-$HERE/../build/zub}
OLD=${ZUB_OLD:-}
RUNS=${RUNS:-10}  # 500 MB runs vary by a third from one to the next: few runs mislead
command -v hyperfine >/dev/null || { apt-get update -qq && apt-get install -y -qq hyperfine; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_STATE_HOME=$WORK/state
unset ZUB_NO_RAW ZUB_NO_GAIN

# Start-up and recording. Runs alternate between the two settings so that
# load from other work on the machine falls on both alike.
seq 1 200 > "$WORK/small.txt"
hyperfine -N --warmup 20 --runs 400 --export-json "$WORK/start.json" \
  "$ZUB --version" "$ZUB read $WORK/small.txt 10-20" >/dev/null
ZUB_NO_GAIN=1 hyperfine -N --warmup 20 --runs 400 --export-json "$WORK/start_off.json" \
  "$ZUB read $WORK/small.txt 10-20" >/dev/null

# 500 MB of log lines that differ in their numbers.
python3 - "$WORK/big.log" <<'PY'
import sys
block = "".join(f"2026-12-08 12:00:{i % 60:02d} INFO worker {i % 7} handled request {i} in {i % 900} ms\n"
                for i in range(20000))
with open(sys.argv[1], "w") as f:
    size = 0
    while size < 500 * 1000 * 1000:
        f.write(block)
        size += len(block)
PY
# Let the 500 MB reach the disk first: while it is being written back, the
# kernel slows every process that writes, which would charge the kept file
# with the cost of making the test input.
sync

measure() {  # label binary command... -> "label seconds kilobytes"
  local label=$1
  shift
  /usr/bin/time -f "$label %e %M" "$@" >/dev/null 2>>"$WORK/times" || true
}
for i in $(seq 1 "$RUNS"); do
  for which in new old; do
    bin=$ZUB
    if [ "$which" = old ]; then
      [ -n "$OLD" ] || continue
      bin=$OLD
    fi
    measure "$which:wrap" "$bin" wrap --logs -- cat "$WORK/big.log"
    measure "$which:logs-file" sh -c "exec \"$bin\" logs < \"$WORK/big.log\""
    measure "$which:logs-pipe" sh -c "cat \"$WORK/big.log\" | \"$bin\" logs"
  done
done
grep -E '^(new|old):' "$WORK/times" > "$WORK/times.clean" || true
kept=$(ls -l "$XDG_STATE_HOME/zub/raw" | tail -n +2 | wc -l)

results=$(bash "$HERE/results_file.sh" gain-raw)
python3 - "$WORK" "$results" "$(nproc)" "$(uptime)" "$kept" <<'PY'
import json, sys, re, statistics
work, out, cores, up, kept = sys.argv[1:6]
load = up.split("load average:")[-1].strip()
def med(path):
    return {r["command"].split("/")[-1] if False else r["command"]: r["median"] * 1000 for r in json.load(open(path))["results"]}
start = json.load(open(f"{work}/start.json"))["results"]
off = json.load(open(f"{work}/start_off.json"))["results"][0]
version, read_on = start[0]["median"] * 1000, start[1]["median"] * 1000
read_off = off["median"] * 1000
rows = {}
for line in open(f"{work}/times.clean"):
    label, secs, kb = line.split()
    rows.setdefault(label, []).append((float(secs), int(kb)))
lines = ["<!-- bench_gain:start -->", "## Kept raw output and gain", "",
         f"`ZUB_OLD=old/zub bash bench/bench_gain_raw.sh` ({cores} cores; load average at the end: {load}; "
         "the old binary is the last one without either feature; the 500 MB runs alternate old and new).", "",
         "| command | median ms |", "|---|---|",
         f"| `zub --version` (not recorded) | {version:.2f} |",
         f"| `zub read small.txt 10-20`, recorded | {read_on:.2f} |",
         f"| `zub read small.txt 10-20`, `ZUB_NO_GAIN=1` | {read_off:.2f} |", "",
         f"Recording adds {read_on - read_off:+.3f} ms to a call by these medians (hyperfine, 400 runs each).", ""]
if rows:
    lines += ["500 MB of log lines (`/usr/bin/time`, medians of the runs; peak RSS):", "",
              "| command | new s | old s | time ratio | new MiB | old MiB | memory ratio |", "|---|---|---|---|---|---|---|"]
    for cmd in ["wrap", "logs-file", "logs-pipe"]:
        new, old = rows.get(f"new:{cmd}"), rows.get(f"old:{cmd}")
        if not new:
            continue
        ns, nk = statistics.median(s for s, _ in new), statistics.median(k for _, k in new)
        if old:
            os_, ok = statistics.median(s for s, _ in old), statistics.median(k for _, k in old)
            lines.append(f"| {cmd} | {ns:.2f} | {os_:.2f} | {ns/os_:.2f}x | {nk/1024:.0f} | {ok/1024:.0f} | {nk/ok:.2f}x |")
        else:
            lines.append(f"| {cmd} | {ns:.2f} | - | - | {nk/1024:.0f} | - | - |")
    lines += ["", f"Files in the raw ring afterwards: {kept} (each run keeps its last 64 MiB)."]
lines.append("<!-- bench_gain:end -->")
text = open(out).read()
block = "\n".join(lines) + "\n"
if "<!-- bench_gain:start -->" in text:
    text = re.sub(r"<!-- bench_gain:start -->.*?<!-- bench_gain:end -->\n", lambda m: block, text, flags=re.S)
else:
    text = text.rstrip("\n") + "\n\n" + block
open(out, "w").write(text)
print(block)
PY
