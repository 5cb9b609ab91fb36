#!/usr/bin/env bash
# zub grep against ripgrep (-j2 --no-ignore --max-filesize 2M) on the Linux
# 6.1 source tree and on a subset small enough to stay in the page cache:
# time (both tools in one hyperfine call per case, ROUNDS such calls), peak
# resident memory (/usr/bin/time, median of MEM_RUNS runs) and the hit counts
# of both tools, so that a difference in the work done shows.
# Usage: bash bench/bench_grep_vs_rg.sh [BUILD_DIR]   (default: build)
# Environment: RUNS, ROUNDS, MEM_RUNS; CORPORA=tree or subset for one corpus.
# Installs ripgrep and hyperfine when missing, warms the page cache, and
# rewrites its section of bench/RESULTS.md.
set -eu
set -f  # patterns hold glob characters that must reach both tools as they are
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
BUILD=${1:-$ROOT/build}
ZUB=${ZUB_BIN:-$BUILD/zub}
RUNS=${RUNS:-10}
ROUNDS=${ROUNDS:-2}
MEM_RUNS=${MEM_RUNS:-3}
SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
for tool in rg:ripgrep hyperfine:hyperfine; do
  command -v "${tool%%:*}" >/dev/null || $SUDO apt-get install -y "${tool##*:}"
done
[ -x "$ZUB" ] || { echo "zub binary not found at $ZUB (give the build directory or set ZUB_BIN)" >&2; exit 1; }
ZUB=$(cd "$(dirname "$ZUB")" && pwd)/$(basename "$ZUB")
TREE=$(bash "$HERE/kernel_tree.sh")
unset ZUB_GREP_ALL
RG="rg -j2 --no-ignore --max-filesize 2M"
SUBSET="$TREE/fs $TREE/kernel $TREE/mm $TREE/net $TREE/include $TREE/lib $TREE/sound"
FIVE="-e kmalloc_array -e kvfree -e GFP_NOWAIT -e copy_to_user -e dma_map_sg"
# name | zub arguments | rg arguments | flags for counting hits (no -C/-l)
CASES=$(cat <<EOF
rare literal|PM_RESUME|PM_RESUME|PM_RESUME
common literal|spin_lock|spin_lock|spin_lock
regex with literal|-E [A-Z]+_RESUME|[A-Z]+_RESUME|-E [A-Z]+_RESUME
-i literal|-i pm_resume|-i pm_resume|-i pm_resume
regex without literal|-E [A-Z]{3}[0-9]{2}|[A-Z]{3}[0-9]{2}|-E [A-Z]{3}[0-9]{2}
five literals|$FIVE|$FIVE|$FIVE
-w|-w spin_lock|-w spin_lock|-w spin_lock
-C 2|-C 2 PM_RESUME|-C 2 PM_RESUME|PM_RESUME
-l|-l spin_lock|-l spin_lock|spin_lock
EOF
)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
peak_kb() {  # median peak RSS in KB of a command
  for _ in $(seq "$MEM_RUNS"); do
    /usr/bin/time -o "$out/mem" -f %M "$@" >/dev/null 2>&1 || true
    tail -1 "$out/mem"
  done | median
}
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
tables=""
corpora=("$TREE" "$SUBSET")
case "${CORPORA:-both}" in tree) corpora=("$TREE") ;; subset) corpora=("$SUBSET") ;; esac
for corpus in "${corpora[@]}"; do
  echo "warming the page cache over $corpus" >&2
  # shellcheck disable=SC2086
  find $corpus -type f -size -3M -print0 | xargs -0 cat > /dev/null
  rows=""
  while IFS='|' read -r name zargs rargs cargs; do
    # Word splitting of the argument strings and the corpus is intended.
    # shellcheck disable=SC2086
    {
      zh=$("$ZUB" grep -c --max-files 1000000 $cargs $corpus | tail -1 | sed -E 's/^\[([0-9]+) files, ([0-9]+) hits.*/\2 in \1/')
      rh=$($RG -c $rargs $corpus | awk -F: '{s += $NF} END {print s " in " NR}')
      zm=$(peak_kb "$ZUB" grep $zargs $corpus)
      rm_=$(peak_kb $RG $rargs $corpus)
    }
    zt=(); rt=(); zcs=(); rcs=(); ratios=()
    for round in $(seq "$ROUNDS"); do
      # shellcheck disable=SC2086
      hyperfine -N --warmup 1 --runs "$RUNS" -i --export-json "$out/r.json" \
        -n zub "$ZUB grep $zargs $corpus" -n rg "$RG $rargs $corpus" >&2
      read -r z r zc rc < <(python3 -c '
import json, statistics, sys
res = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
med = lambda k: statistics.median(res[k]["times"])
cpu = lambda k: res[k]["user"] + res[k]["system"]
print(med("zub"), med("rg"), cpu("zub"), cpu("rg"))' "$out/r.json")
      zt+=("$z"); rt+=("$r"); zcs+=("$zc"); rcs+=("$rc"); ratios+=("$(python3 -c "print(f'{$z/$r:.2f}')")")
    done
    row=$(python3 - "$name" "$zm" "$rm_" "$zh" "$rh" "${ratios[*]}" "${zt[*]}" "${rt[*]}" "${zcs[*]}" "${rcs[*]}" <<'PY'
import statistics, sys
name, zm, rm, zh, rh, ratios, zt, rt, zc, rc = sys.argv[1:11]
med = lambda v: statistics.median(float(x) for x in v.split())
z, r, zc, rc = med(zt), med(rt), med(zc), med(rc)
zm, rm = float(zm), float(rm)
print(f"| {name} | {z*1000:.0f} | {r*1000:.0f} | {z/r:.2f} | {ratios.replace(' ', ', ')} | {zc*1000:.0f} | {rc*1000:.0f} | {zc/rc:.2f} "
      f"| {zm/1024:.1f} | {rm/1024:.1f} | {zm/rm:.2f} | {zh} | {rh} |")
PY
)
    echo "$row" >&2
    rows+="$row"$'\n'
  done <<< "$CASES"
  label="whole tree"; [ "$corpus" = "$TREE" ] || label="cached subset (fs kernel mm net include lib sound)"
  # shellcheck disable=SC2086
  nfiles=$(find $corpus -type f | wc -l)
  tables+="### $label, $nfiles files"$'\n\n'
  tables+="| case | zub ms | rg ms | time ratio | ratio per round | zub CPU ms | rg CPU ms | CPU ratio | zub MB | rg MB | memory ratio | zub hits in files | rg hits in files |"$'\n'
  tables+="|---|---|---|---|---|---|---|---|---|---|---|---|---|"$'\n'"$rows"$'\n'
done
load_end=$(cut -d' ' -f1-3 /proc/loadavg)
cmds=$(while IFS='|' read -r name zargs rargs _; do printf -- '- %s: `zub grep %s ROOT` / `rg %s ROOT`\n' "$name" "$zargs" "$rargs"; done <<< "$CASES")
section=$(cat <<MD
<!-- grep-vs-rg:start -->
## grep: zub against ripgrep on the Linux 6.1 tree

\`bash bench/bench_grep_vs_rg.sh BUILD_DIR\`, $(date -u +%Y-%m-%d), $(nproc) cores
($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')), load average
$load_start at the start and $load_end at the end. Tree: Debian's
linux-source-6.1. Peer: \`$RG\`. Time: both tools in one hyperfine call per
case, $RUNS runs after one warm-up, $ROUNDS such calls; medians over the rounds
in milliseconds, ratio = zub / rg (below 1 is faster), and the ratio of each
round. CPU: user plus system time per run (mean), median over the rounds;
on a busy machine it says more than the wall time. Memory: peak resident set (\`/usr/bin/time -f %M\`), median of
$MEM_RUNS runs, in MB. Hits: selected lines counted with -c by each tool (for
-C 2 and -l the same pattern without them), "hits in files". zub walks fewer
files than rg (its skip lists and non-source table) and rg leaves out hidden
files, so the counts differ a little; zub validates UTF-8 for every file
with a hit.

$tables
Commands (ROOT = the tree, or the seven directories of the subset):
$cmds
<!-- grep-vs-rg:end -->
MD
)
python3 - "$HERE/RESULTS.md" "$section" <<'PY'
import re, sys
path, section = sys.argv[1], sys.argv[2]
text = open(path).read()
pat = re.compile(r"<!-- grep-vs-rg:start -->.*?<!-- grep-vs-rg:end -->", re.S)
text = pat.sub(lambda m: section, text) if pat.search(text) else text.rstrip("\n") + "\n\n" + section + "\n"
open(path, "w").write(text)
PY
echo "$section"
