#!/usr/bin/env bash
# Runs two zub binaries over one fixed set of commands and compares what
# each prints (standard output, standard error) and its exit status, byte
# for byte. Used to show that a change of structure changed no behaviour.
#
#   bash tools/same_output.sh OLD_ZUB NEW_ZUB [TREE]
#
# TREE is a Linux 6.1 source tree (bench/kernel_tree.sh makes one); the page
# corpus is ../shared/corpus/html beside the checkout. Web pages are served
# by a Python HTTP server on 127.0.0.1; every run gets its own empty HOME,
# so the cache starts empty and the files it leaves are compared too (less
# the fetch time and lifetime each record starts with, which depend on the
# clock). Prints one line per case that
# differs and a count; exits 1 when anything differs.
set -u
set -f  # the arguments hold glob characters that must reach zub as they are
OLD=$(readlink -f "$1") NEW=$(readlink -f "$2")
HERE=$(cd "$(dirname "$0")/.." && pwd)
TREE=${3:-$(bash "$HERE/bench/kernel_tree.sh")}
CORPUS=$HERE/../shared/corpus/html
DIAG=$HERE/bench/realcode/diag/outputs
[ -d "$CORPUS" ] || { echo "no page corpus at $CORPUS" >&2; exit 2; }
WORK=$(mktemp -d)
[ -n "${KEEP:-}" ] && echo "outputs kept in $WORK" >&2
trap 'kill $SERVER 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$WORK"' EXIT
export ZUB_NO_RAW=1 ZUB_NO_GAIN=1
unset ZUB_NO_CACHE ZUB_REFRESH ZUB_STALE ZUB_CACHE_TTL ZUB_CACHE_DEBUG ZUB_FETCH_MAX ZUB_WEB_DEBUG ZUB_GREP_ALL

PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server "$PORT" --bind 127.0.0.1 --directory "$CORPUS" >/dev/null 2>&1 &
SERVER=$!
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$PORT/" && break; sleep 0.1; done
URL=http://127.0.0.1:$PORT

cases=()
add() { cases+=("$*"); }
# Navigation and search on the kernel tree.
for f in kernel/sched/core.c mm/slub.c fs/ext4/inode.c include/linux/sched.h net/ipv4/tcp.c \
         scripts/checkpatch.pl tools/perf/util/evsel.c Documentation/admin-guide/README.rst; do
  add "read $TREE/$f"
  add "read $TREE/$f 200-260 -n"
  add "read $TREE/$f --tail 40"
  add "read -n 50 $TREE/$f"
  add "outline $TREE/$f"
done
add "read $TREE/nonexistent"
add "read $TREE/kernel"
add "outline $TREE/Makefile $TREE/kernel/fork.c -n 40"
for s in kthread_park task_struct spin_lock_irqsave ext4_map_blocks tcp_sendmsg list_head EXPORT_SYMBOL; do
  add "def $s $TREE/kernel $TREE/mm $TREE/fs/ext4 $TREE/include/linux"
done
add "map $TREE"
add "map $TREE/kernel -n 60"
add "map $TREE/fs/ext4 $TREE/mm"
add "brief $TREE/kernel/sched"
add "brief $TREE/fs/ext4 -n 10"
for g in "PM_RESUME" "-E [A-Z]+_RESUME" "-i -e kvfree -e gfp_nowait" "-w spin_lock" "-C 2 PM_RESUME" \
         "-l spin_lock" "-c -e kfree -e free" "-o -E spin_lock\w*" "-v -c -e a -e e" "--max-files 400 spin_lock"; do
  add "grep $g $TREE/kernel $TREE/fs/ext4"
done
# Pages: conversion, fetching and the cache.
add "fetch $URL/mozilla-1.html $URL/medium-1.html $URL/lemonde-1.html -n 3000"
add "fetch $URL/missing.html"
add "fetch $URL/aclu.html --no-cache"
add "cache"
add "cache ttl $URL/aclu.html"

run_all() {  # BIN OUTDIR
  local bin=$1 out=$2 i=0 home=$WORK/home
  rm -rf "$home"
  mkdir -p "$out" "$home"
  for c in "${cases[@]}"; do
    i=$((i + 1))
    # shellcheck disable=SC2086
    (cd "$HERE" && HOME=$home "$bin" $c >"$out/$i.out" 2>"$out/$i.err"; echo $? >"$out/$i.rc") </dev/null
  done
  set +f
  for f in "$CORPUS"/*.html; do
    i=$((i + 1))
    HOME=$home "$bin" md <"$f" >"$out/$i.out" 2>"$out/$i.err"; echo $? >"$out/$i.rc"
  done
  for f in "$DIAG"/*.txt; do
    for sub in diag "logs 2000" "trim 120"; do
      i=$((i + 1))
      # shellcheck disable=SC2086
      HOME=$home "$bin" $sub <"$f" >"$out/$i.out" 2>"$out/$i.err"; echo $? >"$out/$i.rc"
    done
    i=$((i + 1))
    HOME=$home "$bin" wrap --diag -- sh -c 'cat "$1"; exit 3' sh "$f" >"$out/$i.out" 2>"$out/$i.err"; echo $? >"$out/$i.rc"
  done
  set -f
  # What the cache left: every file's name and size, record contents less
  # the first two lines (the time of the fetch and the lifetime worked out
  # from the page's age).
  (cd "$home" && find . -type f | sort | while read -r p; do
     case $p in
       *.m) echo "$p"; tail -n +3 "$p" ;;
       *) echo "$p $(wc -c <"$p") $(md5sum <"$p" | cut -c1-12)" ;;
     esac
   done) >"$out/cache.txt"
  echo "$i" >"$out/count"
}

run_all "$OLD" "$WORK/old"
run_all "$NEW" "$WORK/new"
n=$(cat "$WORK/old/count") diffs=0
for i in $(seq "$n") cache; do
  for ext in out err rc; do
    f=$i.$ext; [ "$i" = cache ] && f=cache.txt
    if ! cmp -s "$WORK/old/$f" "$WORK/new/$f"; then
      diffs=$((diffs + 1))
      label=cache; [ "$i" != cache ] && label=$(sed -n "${i}p" <(printf '%s\n' "${cases[@]}"))
      echo "DIFF $f ${label:-(stdin case $i)}"
    fi
    [ "$i" = cache ] && break
  done
done
echo "$n cases, $diffs differences"
[ "$diffs" -eq 0 ]
