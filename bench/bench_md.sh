#!/usr/bin/env bash
# Throughput of the HTML-to-markdown converter over the shared corpus of real
# pages: `ZUB_BENCH=50 ZUB_BENCH_QUIET=1 zub md < page` per page (hyperfine
# medians), summed into MB/s of HTML on one thread. Also one conversion per
# process against html2text as a peer. Writes its table to a new
# file under bench/results/ (bench/results_file.sh).
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
ZUB_BIN=${ZUB_BIN:-$ROOT/build/zub}
REPEATS=${ZUB_MD_REPEATS:-50}
RUNS=${ZUB_MD_RUNS:-5}

need() {  # need COMMAND PACKAGE
  command -v "$1" >/dev/null 2>&1 && return 0
  echo "installing $2" >&2
  { apt-get update -qq && apt-get install -y -qq "$2"; } >/dev/null 2>&1 ||
    sudo apt-get install -y -qq "$2" >/dev/null 2>&1 || true
  command -v "$1" >/dev/null 2>&1
}
need hyperfine hyperfine || { echo "bench_md: hyperfine missing" >&2; exit 1; }
need jq jq || { echo "bench_md: jq missing" >&2; exit 1; }
have_peer=1
need html2text html2text || have_peer=0

CORPUS=${ZUB_MD_CORPUS:-}
if [ -z "$CORPUS" ]; then
  for c in "$ROOT/../shared/corpus/html" "$ROOT/../../shared/corpus/html"; do
    [ -d "$c" ] && { CORPUS=$(cd "$c" && pwd); break; }
  done
fi
[ -n "$CORPUS" ] || { echo "bench_md: no corpus found" >&2; exit 1; }
[ -x "$ZUB_BIN" ] || { echo "bench_md: no binary at $ZUB_BIN" >&2; exit 1; }

pages=("$CORPUS"/*.html)
list=$(IFS=,; echo "${pages[*]}")
bytes=0
for p in "${pages[@]}"; do bytes=$((bytes + $(wc -c < "$p"))); done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

time_pages() {  # time_pages NAME COMMAND-WITH-{page}
  hyperfine -S sh --style none --warmup 1 --runs "$RUNS" --export-json "$tmp/$1.json" \
    -L page "$list" "$2" >/dev/null 2>&1
  jq '[.results[].median] | add' "$tmp/$1.json"
}

many=$(time_pages many "ZUB_BENCH=$REPEATS ZUB_BENCH_QUIET=1 $ZUB_BIN md < {page}")
# CPU time (user + system, hyperfine means) is less disturbed by other jobs
# on a shared machine than wall-clock time.
many_cpu=$(jq '[.results[] | .user + .system] | add' "$tmp/many.json")
none=$(time_pages none "ZUB_BENCH=0 ZUB_BENCH_QUIET=1 $ZUB_BIN md < {page}")
once=$(time_pages once "$ZUB_BIN md < {page} > /dev/null")
peer=""
[ "$have_peer" = 1 ] && peer=$(time_pages peer "html2text < {page} > /dev/null")

# In-process stage numbers from the Google Benchmark binary, when built.
GBENCH=${ZUB_MD_GBENCH:-$ROOT/build-bench/markdown_bench}
stages=""
if [ -x "$GBENCH" ]; then
  "$GBENCH" --benchmark_min_time=0.5 --benchmark_format=json > "$tmp/gbench.json" 2>/dev/null &&
    stages=$(jq -r '.benchmarks[] | select(.bytes_per_second != null) |
      "| in-process `\(.name)` | \(.bytes_per_second / 1e6 | floor) MB/s |"' "$tmp/gbench.json")
fi

calc() { awk "BEGIN { printf \"%.${1}f\", $2 }"; }
mb=$(calc 2 "$bytes / 1e6")
gross=$(calc 0 "$bytes * $REPEATS / $many / 1e6")
cpu_rate=$(calc 0 "$bytes * $REPEATS / $many_cpu / 1e6")
net=$(calc 0 "$bytes * ($REPEATS - 1) / ($many - $none) / 1e6")
once_ms=$(calc 1 "$once * 1000")
none_ms=$(calc 1 "$none * 1000")
many_ms=$(calc 0 "$many * 1000")
cores=$(nproc)
cpu=$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)

section="$tmp/section.md"
{
  echo "## HTML to markdown (\`md\`)"
  echo
  echo "\`bench/bench_md.sh\`: hyperfine (--warmup 1, --runs $RUNS, medians) over the"
  echo "${#pages[@]} pages of the shared corpus ($mb MB of HTML), one page per process,"
  echo "medians summed over the pages. Machine: $cores cores ($cpu), shared with"
  echo "parallel builds of other branches while it ran (load average $(cut -d' ' -f1 /proc/loadavg) at the"
  echo "end), so wall-clock numbers are noisy; the CPU-time row is steadier."
  echo
  echo "| Measure | Result |"
  echo "|---|---|"
  echo "| \`ZUB_BENCH=$REPEATS ZUB_BENCH_QUIET=1 zub md < page\`, all pages | ${many_ms} ms |"
  echo "| throughput, single thread, start-up included | **$gross MB/s** of HTML |"
  echo "| throughput, start-up and input reading subtracted (\`ZUB_BENCH=0\` runs: ${none_ms} ms) | $net MB/s |"
  echo "| throughput by CPU time (user + system), start-up included | $cpu_rate MB/s |"
  echo "| target | 150 MB/s |"
  [ -n "$stages" ] && echo "$stages"
  echo "| one conversion per process (\`zub md < page\`), all pages | ${once_ms} ms |"
  if [ -n "$peer" ]; then
    peer_ms=$(calc 1 "$peer * 1000")
    ratio=$(calc 1 "$peer / $once")
    echo "| peer: \`html2text < page\` (html2text $(dpkg-query -W -f='${Version}' html2text 2>/dev/null)), all pages | ${peer_ms} ms |"
    echo "| ratio, one conversion per process | zub is ${ratio}x the speed of html2text |"
  fi
  echo
  [ -n "$stages" ] && {
    echo "In-process rows come from \`markdown_bench\` (Google Benchmark, build-bench);"
    echo "each counts the bytes of its own input: the scan-and-classify row counts"
    echo "element-stripped text, the unclosed-script rows 8 bytes per tag."
    echo
  }
  echo "The peer renders the whole page as text and does not select content, so"
  echo "the ratio compares cost, not output."
}  > "$section"

cat "$section" >> "$(bash "$HERE/results_file.sh" md)"
cat "$section"
