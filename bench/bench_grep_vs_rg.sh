#!/usr/bin/env bash
# zub grep against ripgrep (-j2 --no-ignore --max-filesize 2M) on the Linux
# 6.1 source tree and on a subset small enough to stay in the page cache:
# time (both tools in one hyperfine call per case, ROUNDS such calls), peak
# resident memory (/usr/bin/time, median of MEM_RUNS runs) and the hit counts
# of both tools, so that a difference in the work done shows.
# Usage: bash bench/bench_grep_vs_rg.sh [BUILD_DIR]   (default: build)
# Environment: RUNS, ROUNDS, MEM_RUNS; CORPORA=tree or subset for one corpus.
# Installs ripgrep and hyperfine when missing, warms the page cache, and
# writes its report to a new file (bench/results_file.sh: an earlier run's
# file is left as it is).
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
    zt=(); rt=(); zcs=(); rcs=(); ratios=(); zall=(); rall=()
    for round in $(seq "$ROUNDS"); do
      # shellcheck disable=SC2086
      hyperfine -N --warmup 1 --runs "$RUNS" -i --export-json "$out/r.json" \
        -n zub "$ZUB grep $zargs $corpus" -n rg "$RG $rargs $corpus" >&2
      read -r z r zc rc za ra < <(python3 -c '
import json, statistics, sys
res = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
med = lambda k: statistics.median(res[k]["times"])
cpu = lambda k: res[k]["user"] + res[k]["system"]
every = lambda k: ",".join(str(t) for t in res[k]["times"])
print(med("zub"), med("rg"), cpu("zub"), cpu("rg"), every("zub"), every("rg"))' "$out/r.json")
      zt+=("$z"); rt+=("$r"); zcs+=("$zc"); rcs+=("$rc"); ratios+=("$(python3 -c "print(f'{$z/$r:.2f}')")")
      zall+=("$za"); rall+=("$ra")
    done
    row=$(python3 - "$name" "$zm" "$rm_" "$zh" "$rh" "${ratios[*]}" "${zt[*]}" "${rt[*]}" "${zcs[*]}" "${rcs[*]}" "${zall[*]}" "${rall[*]}" <<'PY'
import statistics, sys
name, zm, rm, zh, rh, ratios, zt, rt, zc, rc, za, ra = sys.argv[1:13]
med = lambda v: statistics.median(float(x) for x in v.split())
z, r, zc, rc = med(zt), med(rt), med(zc), med(rc)
zm, rm = float(zm), float(rm)
def spread(v):  # the middle half of every run of every round, in ms
    q = statistics.quantiles([float(t) for t in v.replace(" ", ",").split(",")], n=4)
    return f"{q[0]*1000:.0f}-{q[2]*1000:.0f}"
print(f"| {name} | {z*1000:.0f} | {spread(za)} | {r*1000:.0f} | {spread(ra)} | {z/r:.2f} | {ratios.replace(' ', ', ')} "
      f"| {zc*1000:.0f} | {rc*1000:.0f} | {zc/rc:.2f} "
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
  tables+="| case | zub ms | zub spread | rg ms | rg spread | time ratio | ratio per round | zub CPU ms | rg CPU ms | CPU ratio | zub MB | rg MB | memory ratio | zub hits in files | rg hits in files |"$'\n'
  tables+="|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"$'\n'"$rows"$'\n'
done
load_end=$(cut -d' ' -f1-3 /proc/loadavg)
cmds=$(while IFS='|' read -r name zargs rargs _; do printf -- '- %s: `zub grep %s ROOT` / `rg %s ROOT`\n' "$name" "$zargs" "$rargs"; done <<< "$CASES")
report=$(bash "$HERE/results_file.sh" grep-vs-rg)
cat >> "$report" <<MD
# grep: zub against ripgrep on the Linux 6.1 tree

\`bash bench/bench_grep_vs_rg.sh BUILD_DIR\`, $(date -u +%Y-%m-%d), $(nproc) cores
($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')), load average
$load_start at the start and $load_end at the end (a load above the number
of cores means other work shared the machine: judge the ratios, which come
from both tools measured in the same hyperfine call, more than the times).
Tree: Debian's linux-source-6.1. Peer: \`$RG\`. Time: both tools in one
hyperfine call per case, $RUNS runs after one warm-up, $ROUNDS such calls;
medians over the rounds in milliseconds, ratio = zub / rg (below 1 is
faster), and the ratio of each round. Spread: the middle half (first to
third quartile) of every run of every round, in milliseconds. CPU: user plus
system time per run (mean), median over the rounds; on a busy machine it
says more than the wall time. Memory: peak resident set (\`/usr/bin/time -f
%M\`), median of $MEM_RUNS runs, in MB. Hits: selected lines counted with -c
by each tool (for -C 2 and -l the same pattern without them), "hits in
files". zub walks fewer files than rg (its skip lists and non-source table)
and rg leaves out hidden files, so the counts differ a little; zub validates
UTF-8 for every file with a hit.

$tables
Commands (ROOT = the tree, or the seven directories of the subset):
$cmds
MD
echo "written to bench/results/$(basename "$(dirname "$report")")/$(basename "$report")" >&2
cat "$report"
