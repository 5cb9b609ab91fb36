#!/usr/bin/env bash
# Peak memory of `zub md` at its 32 MiB input cap, on a real-page mix and on
# the shapes that cost the converter most per byte: one-letter blocks, a
# long link list, many small code blocks, paragraphs. Each page is cut to
# exactly the cap and read as a file (mapped, so the input counts once).
#   bash bench/bench_md_memory.sh BUILD_DIR [PEER_BINARY...]
# Writes a new results file (bench/results_file.sh) and prints its path.
set -eu
build=${1:?build directory}
shift
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cap=33554432
shared="$here/../../shared/corpus/html"
make_page() {  # name, then a command printing the page
  local name=$1
  shift
  "$@" | head -c "$cap" > "$tmp/$name.html" || true
}
make_page real-pages sh -c "while cat '$shared'/*.html; do :; done"
make_page one-letter-blocks yes '<p>x'
make_page link-list yes '<li><a href="/x">some link text here</a></li>'
make_page code-blocks sh -c 'while :; do printf "<pre>"; for i in $(seq 50); do echo "int x = foo(bar);"; done; echo "</pre>"; done'
make_page paragraphs sh -c 'p=$(printf "lorem ipsum dolor sit amet %.0s" $(seq 20)); while :; do echo "<p>$p</p>"; done'
out=$(bash "$here/results_file.sh" md-memory)
{
  echo "# md: peak memory at the 32 MiB input cap"
  echo
  echo "Each page is exactly $cap bytes, read as a file. Peak resident set"
  echo "(GNU time %M) of one \`zub md PAGE\` process; ratio to the cap. The"
  echo "input itself (32 MiB, mapped) and the binary's own pages (about 2 MB)"
  echo "are part of every figure."
  echo
  printf '| page |'
  for b in "$build/zub" "$@"; do printf ' %s |' "$(basename "$(dirname "$b")")/$(basename "$b")"; done
  echo
  printf '|---|'
  for b in "$build/zub" "$@"; do printf -- '---|'; done
  echo
  for page in real-pages one-letter-blocks link-list code-blocks paragraphs; do
    printf '| %s |' "$page"
    for b in "$build/zub" "$@"; do
      if /usr/bin/time -o "$tmp/t" -f %M "$b" md "$tmp/$page.html" > /dev/null 2>&1; then
        kb=$(cat "$tmp/t")
        printf ' %d MB (%sx) |' $((kb / 1024)) "$(awk -v k="$kb" 'BEGIN {printf "%.2f", k * 1024 / 33554432}')"
      else
        printf ' failed |'
      fi
    done
    echo
  done
} >> "$out"
echo "$out"
