#!/usr/bin/env bash
# Prints the path of a new results file for one benchmark run,
# bench/results/DATE-MACHINE/NAME.md, and creates it holding one comment
# line on the machine, the commit and the load. A file already there is
# never written again: a second run the same day gets NAME-2.md, and so on,
# so running a benchmark never rewrites a tracked result.
#   bash bench/results_file.sh NAME
set -eu
name=$1
here=$(cd "$(dirname "$0")" && pwd)
dir="$here/results/$(date +%F)-$(uname -m)-$(nproc)cpu"
mkdir -p "$dir"
mem=$(awk '/^MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)
os=$(. /etc/os-release 2>/dev/null && echo "$PRETTY_NAME" || uname -s)
commit=$(git -C "$here" rev-parse --short HEAD 2>/dev/null || echo unknown)
dirty=$(git -C "$here" status --porcelain -- ../src 2>/dev/null | head -c1)
header="<!-- $(date -u +%FT%TZ); $(uname -m), $(nproc) cores, $mem, $os; commit $commit${dirty:+ plus uncommitted changes}; load $(cut -d' ' -f1-3 /proc/loadavg) -->"
path="$dir/$name.md"
n=2
set -o noclobber  # two runs at once never take the same file
until { echo "$header" > "$path"; } 2>/dev/null; do
  [ -e "$path" ] || { echo "cannot create $path" >&2; exit 1; }
  path="$dir/$name-$n.md"
  n=$((n + 1))
done
echo "$path"
