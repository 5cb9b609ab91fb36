#!/usr/bin/env bash
# Lays out the real source trees that measure.py judges def and outline on,
# all from Debian packages or the npm registry, under $ZUB_BENCH_DIR/realcode.
# Nothing here is a dependency of zub or its tests.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
DIR=${ZUB_BENCH_DIR:-/var/tmp/zub-bench}
OUT=$DIR/realcode
mkdir -p "$OUT"

need=()
command -v ctags >/dev/null || need+=(universal-ctags)
[ -f /usr/src/linux-source-6.1.tar.xz ] || [ -f "$DIR/linux-source-6.1/Makefile" ] || need+=(linux-source-6.1)
[ -d /usr/src/googletest/googletest ] || need+=(googletest)
[ -d /usr/lib/go-1.19/src ] || need+=(golang-1.19-src)
[ -f /usr/lib/jvm/openjdk-17/lib/src.zip ] || need+=(openjdk-17-source)
ls -d /usr/share/cargo/registry/serde-1* >/dev/null 2>&1 || need+=(librust-serde-dev)
ls -d /usr/share/cargo/registry/regex-syntax-* >/dev/null 2>&1 || need+=(librust-regex-syntax-dev)
command -v unzip >/dev/null || need+=(unzip)
command -v npm >/dev/null || need+=(npm)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  echo "installing: ${need[*]}" >&2
  $SUDO apt-get install -y -qq "${need[@]}" >&2
fi

bash "$HERE/../kernel_tree.sh" >/dev/null

if [ ! -d "$OUT/java/java.base" ]; then
  mkdir -p "$OUT/java"
  unzip -q -o /usr/lib/jvm/openjdk-17/lib/src.zip \
    'java.base/java/util/*' 'java.base/java/io/*' 'java.base/java/net/*' \
    'java.base/java/time/*' -d "$OUT/java"
fi

# Two npm packages that ship their sources: TypeScript (rxjs/src) and
# plain JavaScript with modern classes (webpack/lib).
for spec in rxjs@7.8.2 webpack@5.113.0; do
  name=${spec%@*}
  if [ ! -d "$OUT/$name/package" ]; then
    (cd "$OUT" && npm pack -q "$spec" >/dev/null 2>&1)
    mkdir -p "$OUT/$name"
    tar xzf "$OUT/$name"-*.tgz -C "$OUT/$name"
  fi
done
echo "$OUT"
