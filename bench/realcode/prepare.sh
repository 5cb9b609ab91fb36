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
command -v dpkg-deb >/dev/null || need+=(dpkg)
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

# npm packages that ship their sources: TypeScript (rxjs/src), plain
# JavaScript with modern classes (webpack/lib) and in the older style of
# object literals and prototype assignments (express/lib).
for spec in rxjs@7.8.2 webpack@5.113.0 express@4.21.2; do
  name=${spec%@*}
  if [ ! -d "$OUT/$name/package" ]; then
    (cd "$OUT" && npm pack -q "$spec" >/dev/null 2>&1)
    mkdir -p "$OUT/$name"
    tar xzf "$OUT/$name"-*.tgz -C "$OUT/$name"
  fi
done

# Typed Python whose signatures run over lines (httpx, rich); the languages
# read since: Ruby's standard library, PHP and Lua libraries
# from Debian, shell from bash-completion (its completion files carry no
# extension and get .bash here) and the kernel's scripts; Kotlin, Swift and
# C# from React Native packages on npm, which ship their Android, iOS and
# Windows sources.
DL=$DIR/langs-dl
mkdir -p "$DL"
debs="python3-httpx python3-rich libruby3.1 php-symfony-console php-twig php-monolog php-guzzlehttp-psr7
  php-league-commonmark lua-penlight lua-busted lua-luassert lua-cliargs bash-completion"
for pkg in $debs; do
  if [ ! -d "$OUT/deb/$pkg" ]; then
    ls "$DL/${pkg}"_*.deb >/dev/null 2>&1 || (cd "$DL" && apt-get download -q "$pkg" >/dev/null 2>&1)
    mkdir -p "$OUT/deb/$pkg"
    dpkg-deb -x "$DL/${pkg}"_*.deb "$OUT/deb/$pkg"
  fi
done
if [ ! -d "$OUT/sh" ]; then
  mkdir -p "$OUT/sh/completions" "$OUT/sh/kernel"
  BC=$OUT/deb/bash-completion/usr/share/bash-completion
  cp "$BC/bash_completion" "$OUT/sh/bash_completion.bash"
  for f in "$BC"/completions/*; do
    [ -L "$f" ] || cp "$f" "$OUT/sh/completions/$(basename "$f").bash"
  done
  K=$DIR/linux-source-6.1
  for d in scripts tools/testing/selftests/net tools/testing/selftests/bpf; do
    find "$K/$d" -maxdepth 1 -name '*.sh' -exec cp {} "$OUT/sh/kernel/" \;
  done
fi
for spec in react-native-windows@0.74.59 expo-modules-core@2.5.0 react-native-screens@4.11.1; do
  name=${spec%@*}
  if [ ! -d "$OUT/$name/package" ]; then
    ls "$DL/$name"-*.tgz >/dev/null 2>&1 || (cd "$DL" && npm pack -q "$spec" >/dev/null 2>&1)
    mkdir -p "$OUT/$name"
    tar xzf "$DL/$name"-*.tgz -C "$OUT/$name"
  fi
done

# A second set of projects per language, for rules made on one set and
# judged on another (measure.py's "-tune" and "-held" languages): Lua, Ruby
# from Debian; Kotlin, JavaScript and TypeScript from npm.
HELD=$OUT/heldout
mkdir -p "$HELD"
for pkg in lua-http lua-argparse lua-ldoc lua-check lua-dkjson ruby-thor ruby-rack ruby-rspec-core \
    ruby-sinatra; do
  if [ ! -d "$HELD/$pkg" ]; then
    ls "$DL/${pkg}"_*.deb >/dev/null 2>&1 || (cd "$DL" && apt-get download -q "$pkg" >/dev/null 2>&1)
    mkdir -p "$HELD/$pkg"
    dpkg-deb -x "$DL/${pkg}"_*.deb "$HELD/$pkg"
  fi
done
for spec in expo-camera@16.1.11 expo-notifications@0.31.4 expo-image-picker@16.1.4 expo-av@15.1.7 \
    jquery@3.7.1 lodash@4.17.21 underscore@1.13.7 zod@3.25.76 @tanstack/query-core@5.80.7; do
  name=${spec%@*}
  name=${name#@}
  name=${name//\//-}
  if [ ! -d "$HELD/$name/package" ]; then
    ls "$DL/$name"-*.tgz >/dev/null 2>&1 || (cd "$DL" && npm pack -q "$spec" >/dev/null 2>&1)
    mkdir -p "$HELD/$name"
    tar xzf "$DL/$name"-*.tgz -C "$HELD/$name"
  fi
done
echo "$OUT"
