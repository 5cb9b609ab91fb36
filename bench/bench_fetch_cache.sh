#!/usr/bin/env bash
# End-to-end cost of a fetch-cache hit: `zub fetch URL` for a page already in
# the cache (no process started), against a plain `curl` of the same page
# from a loopback server and against `zub fetch --refresh URL` (network
# path, curl started). Uses a private HOME; never touches the real cache.
# Writes its table to a new file under bench/results/ (bench/results_file.sh).
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
ZUB_BIN=${ZUB_BIN:-$HERE/../build/zub}
RUNS=${RUNS:-200}

need() { command -v "$1" >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq "$2" >/dev/null; }; }
need hyperfine hyperfine
need python3 python3
need curl curl

work=$(mktemp -d /tmp/zubbench-XXXXXX)
server_pid=
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

mkdir -p "$work/www" "$work/home"
python3 - "$work/www/page.html" <<'PY'
import sys
parts = ["<html><head><title>Bench page</title></head><body><main><h1>Reference</h1>"]
for i in range(400):
    parts.append(f"<h2>Section {i}</h2><p>Paragraph {i} with <a href='/x{i}'>a link</a> and some text about item {i}.</p>")
parts.append("</main></body></html>")
open(sys.argv[1], "w").write("\n".join(parts))
PY
port=$(python3 -c 'import socket;s=socket.socket();s.bind(("127.0.0.2",0));print(s.getsockname()[1])')
(cd "$work/www" && exec python3 -m http.server "$port" --bind 127.0.0.2 >/dev/null 2>&1) &
server_pid=$!
url="http://127.0.0.2:$port/page.html"
for _ in $(seq 50); do curl -s -o /dev/null "$url" && break; sleep 0.1; done

export HOME="$work/home" no_proxy='*'
unset ZUB_NO_CACHE ZUB_REFRESH ZUB_CACHE_TTL ZUB_STALE ZUB_CACHE_DEBUG
if "$ZUB_BIN" fetch "$url" 2>&1 | grep -q '아직 구현되지 않았다'; then
  echo "zub fetch is not implemented in this build; nothing to time" >&2
  exit 0
fi
"$ZUB_BIN" fetch "$url" > /dev/null
ls "$HOME/.claude/cache/zub-fetch" | grep -q . || { echo "page was not cached" >&2; exit 1; }

hyperfine -N --warmup 20 --runs "$RUNS" --export-json "$work/hf.json" \
  -n "zub fetch (cache hit)" "$ZUB_BIN fetch $url" \
  -n "curl (loopback fetch)" "curl -s -o /dev/null $url" \
  -n "zub fetch --refresh (network)" "$ZUB_BIN fetch --refresh $url" >/dev/null

results=$(bash "$HERE/results_file.sh" fetch-cache)
python3 - "$work/hf.json" "$results" "$RUNS" "$(wc -c < "$work/www/page.html")" <<'PY'
import json, sys, statistics, platform, os
data = json.load(open(sys.argv[1]))["results"]
med = {r["command"]: statistics.median(r["times"]) * 1000 for r in data}
hit = med["zub fetch (cache hit)"]
rows = "\n".join(f"| {name} | {ms:.2f} |" for name, ms in med.items())
section = f"""## Fetch cache (bench/bench_fetch_cache.sh)

End to end, `zub fetch URL` of a {sys.argv[4]}-byte HTML page served by a
loopback server on 127.0.0.2 (URL class 15 minutes, so the second run is a
hit). {sys.argv[3]} runs each with hyperfine -N, medians in milliseconds.
Machine: {os.cpu_count()} cores, {platform.platform()}.

| command | median ms |
|---|---|
{rows}

A cache hit starts no process; it answers in {hit:.2f} ms including the
markdown conversion. A bare curl of the same loopback page takes
{med["curl (loopback fetch)"] / hit:.1f}x as long, and the same command bypassing the cache
{med["zub fetch --refresh (network)"] / hit:.1f}x as long.
"""
path = sys.argv[2]
text = open(path).read() if os.path.exists(path) else "# Benchmark results\n"
begin, end = "<!-- fetch-cache:begin -->", "<!-- fetch-cache:end -->"
block = f"{begin}\n{section}{end}\n"
if begin in text and end in text:
    text = text[:text.index(begin)] + block + text[text.index(end) + len(end) + 1:]
else:
    text = text.rstrip("\n") + "\n\n" + block
open(path, "w").write(text)
print(section)
PY
