#!/usr/bin/env bash
# Prints the path of an unpacked Linux 6.1 source tree for the benchmarks,
# installing Debian's linux-source-6.1 and unpacking it once when missing.
# Reuses /var/tmp/zub-bench (or $ZUB_BENCH_DIR) across runs.
set -eu
DIR=${ZUB_BENCH_DIR:-/var/tmp/zub-bench}
TREE="$DIR/linux-source-6.1"
if [ ! -f "$TREE/Makefile" ]; then
  TARBALL=/usr/src/linux-source-6.1.tar.xz
  if [ ! -f "$TARBALL" ]; then
    SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get install -y linux-source-6.1 >&2
  fi
  mkdir -p "$DIR"
  tmp=$(mktemp -d "$DIR/unpack.XXXXXX")
  tar xf "$TARBALL" -C "$tmp" >&2
  rm -rf "$TREE"
  mv "$tmp/linux-source-6.1" "$TREE"
  rmdir "$tmp"
fi
echo "$TREE"
