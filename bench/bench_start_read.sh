#!/usr/bin/env bash
# Process start and range reading against `sed -n` and `head -c`.
# Writes its table to a new file under bench/results/ (bench/results_file.sh).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ZUB=${ZUB_BIN:-$HERE/../build/zub}
command -v hyperfine >/dev/null || { apt-get update -qq && apt-get install -y -qq hyperfine; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# A 10 MB file of source-like lines.
python3 - "$WORK/big.txt" <<'PY'
import sys
with open(sys.argv[1], "w") as f:
    i = 0
    size = 0
    while size < 10 * 1024 * 1024:
        line = f"    let value_{i} = compute(input[{i}], &mut state); // step {i}\n"
        f.write(line)
        size += len(line)
        i += 1
PY

hyperfine -N --warmup 20 --runs 300 --export-json "$WORK/start.json" \
  "$ZUB --version" "sed --version" >/dev/null
hyperfine -N --warmup 5 --runs 60 --export-json "$WORK/read.json" \
  "$ZUB read $WORK/big.txt 1000-1100" "sed -n 1000,1100p $WORK/big.txt" \
  "$ZUB read -c 4096 $WORK/big.txt" "head -c 4096 $WORK/big.txt" >/dev/null

python3 - "$WORK/start.json" "$WORK/read.json" "$(bash "$HERE/results_file.sh" start-read)" "$(nproc)" "$(uptime)" <<'PY'
import json, sys, re
start, read, out, cores, up = sys.argv[1:6]
def med(path):
    return [(r["command"], r["median"] * 1000) for r in json.load(open(path))["results"]]
s, r = med(start), med(read)
lines = ["## Start and read", "",
         f"`bash bench/bench_start_read.sh` (hyperfine -N, medians in ms; {cores} cores; load at run: {up.split('load average:')[-1].strip()}).", "",
         "| command | median ms | peer | peer ms | ratio |", "|---|---|---|---|---|"]
def short(cmd):
    # Show program and file names without the temporary directories.
    return " ".join(t.rsplit("/", 1)[-1] for t in cmd.split())
def row(a, b):
    lines.append(f"| `{short(a[0])}` | {a[1]:.2f} | `{short(b[0])}` | {b[1]:.2f} | {a[1]/b[1]:.2f}x |")
row(s[0], s[1]); row(r[0], r[1]); row(r[2], r[3])
lines.append("")
lines.append("Targets: `zub --version` under 2 ms; `zub read F 1000-1100` on a 10 MB file no slower than `sed -n 1000,1100p F` (sed reads the whole file as zub does).")
lines.append("")
text = open(out).read()
section = "\n".join(lines)
pat = re.compile(r"## Start and read\n.*?(?=\n## |\Z)", re.S)
text = pat.sub(section.rstrip("\n"), text) if pat.search(text) else text.rstrip("\n") + "\n\n" + section
open(out, "w").write(text)
print(section)
PY
