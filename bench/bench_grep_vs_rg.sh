#!/usr/bin/env bash
# zub grep against ripgrep (-j2 --no-ignore --max-filesize 2M) on the Linux
# 6.1 source tree: rare literal, common literal with -c, case-insensitive
# literal, regex with a required literal, regex without one, five patterns.
# Installs ripgrep, hyperfine and linux-source-6.1 when missing, warms the
# page cache, and rewrites its section of bench/RESULTS.md with the medians.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
ZUB=${ZUB_BIN:-$ROOT/build/zub}
RUNS=${RUNS:-7}
SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
for tool in rg:ripgrep hyperfine:hyperfine; do
  command -v "${tool%%:*}" >/dev/null || $SUDO apt-get install -y "${tool##*:}"
done
[ -x "$ZUB" ] || { echo "zub binary not found at $ZUB (set ZUB_BIN)" >&2; exit 1; }
TREE=$(bash "$HERE/kernel_tree.sh")
unset ZUB_GREP_ALL
RG="rg -j2 --no-ignore --max-filesize 2M"
# Two corpora: the whole tree, and a subset small enough to stay in the page
# cache of a small machine (the whole tree may not, which makes that run
# mostly a disk benchmark).
SUBSET="$TREE/fs $TREE/kernel $TREE/mm $TREE/net $TREE/include $TREE/lib $TREE/sound"
out=$(mktemp -d)
tables=""
for corpus in "$TREE" "$SUBSET"; do
  names=(); zubs=(); rgs=()
  add() { names+=("$1"); zubs+=("$2"); rgs+=("$3"); }
  add "rare literal"             "$ZUB grep PM_QOS_FLAG_NO_POWER_OFF $corpus"   "$RG PM_QOS_FLAG_NO_POWER_OFF $corpus"
  add "common literal, -c"       "$ZUB grep -c return $corpus"                  "$RG -c return $corpus"
  add "case-insensitive literal" "$ZUB grep -i mutex_lock_nested $corpus"       "$RG -i mutex_lock_nested $corpus"
  add "regex with literal"       "$ZUB grep -E 'spin_lock\\w*\\(&\\w+' $corpus" "$RG 'spin_lock\\w*\\(&\\w+' $corpus"
  add "regex without literal"    "$ZUB grep -E '[A-Z]{5}[0-9]{3}' $corpus"       "$RG '[A-Z]{5}[0-9]{3}' $corpus"
  add "five literals"            "$ZUB grep -e kmalloc_array -e kvfree -e GFP_NOWAIT -e copy_to_user -e dma_map_sg $corpus" \
                                 "$RG -e kmalloc_array -e kvfree -e GFP_NOWAIT -e copy_to_user -e dma_map_sg $corpus"
  echo "warming the page cache over $corpus" >&2
  find $corpus -type f -size -3M -print0 | xargs -0 cat > /dev/null
  rows=""
  for i in "${!names[@]}"; do
    hyperfine -N --warmup 1 --runs "$RUNS" -i --export-json "$out/$i.json" \
      -n zub "${zubs[$i]}" -n rg "${rgs[$i]}" >&2
    row=$(python3 - "$out/$i.json" "${names[$i]}" <<'PY'
import json, statistics, sys
res = {r["command"]: statistics.median(r["times"]) for r in json.load(open(sys.argv[1]))["results"]}
z, r = res["zub"], res["rg"]
print(f"| {sys.argv[2]} | {z*1000:.0f} | {r*1000:.0f} | {z/r:.2f} |")
PY
)
    rows+="$row"$'\n'
  done
  label="whole tree"; [ "$corpus" = "$TREE" ] || label="cached subset (fs kernel mm net include lib sound)"
  nfiles=$(find $corpus -type f | wc -l)
  tables+="### $label, $nfiles files"$'\n\n'"| case | zub ms | rg ms | ratio |"$'\n'"|---|---|---|---|"$'\n'"$rows"$'\n'
done
load=$(cut -d' ' -f1-3 /proc/loadavg)
cmds=$(for i in "${!names[@]}"; do printf -- '- %s: `%s`\n' "${names[$i]}" "${zubs[$i]#$ZUB }"; done | sed "s#$TREE/##g; s#$TREE#TREE#g")
section=$(cat <<MD
<!-- grep-vs-rg:start -->
## grep: zub against ripgrep on the Linux 6.1 tree

\`bench/bench_grep_vs_rg.sh\`, $(date -u +%Y-%m-%d), $(nproc) cores, load average at the end $load
(the machine was shared with other builds). Tree: Debian's linux-source-6.1. Peer:
\`$RG\`. hyperfine, $RUNS runs after one warm-up; medians in milliseconds; ratio =
zub / rg (below 1 is faster). zub walks fewer files than rg (its skip lists and
non-source table) but validates UTF-8 for every file it reads. On a machine
whose page cache does not keep the whole 1.5 GB tree between runs, the
whole-tree rows are partly disk reads; the subset rows are CPU-bound.

$tables
Commands (zub side; rg takes the same pattern arguments, TREE = the tree, the
subset runs give the seven directories as roots):
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
rm -rf "$out"
echo "$section"
