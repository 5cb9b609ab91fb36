#!/usr/bin/env bash
# Lays out everything the agent tasks run over, under $ZUB_BENCH_DIR/agent
# (default /var/tmp/zub-bench/agent): source trees nobody here wrote (Debian
# packages, the npm registry, the Linux 6.1 tree), a googletest copy with
# injected faults whose build and test run fail, a copy of textwrap and of Go's
# container/list with injected faults and their real test suites, and a git
# repository made from an npm package with changes in its work tree.
# Idempotent: what exists is kept, except the git repository and the fault
# copies, which are laid anew so their state is always the one the tasks expect.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
DIR=${ZUB_BENCH_DIR:-/var/tmp/zub-bench}
AG=$DIR/agent
mkdir -p "$AG"

need=()
command -v ctags >/dev/null || need+=(universal-ctags)
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v make >/dev/null || need+=(make)
command -v git >/dev/null || need+=(git)
command -v unzip >/dev/null || need+=(unzip)
command -v npm >/dev/null || need+=(npm)
command -v python3.11 >/dev/null || need+=(python3.11)
[ -d /usr/src/googletest/googletest/samples ] || need+=(googletest)
[ -d /usr/share/go-1.19/src/net/http ] || need+=(golang-1.19-src)
[ -x /usr/lib/go-1.19/bin/go ] || need+=(golang-1.19-go)
[ -f /usr/lib/python3.11/test/test_textwrap.py ] || need+=(libpython3.11-testsuite)
[ -f /usr/lib/jvm/openjdk-17/lib/src.zip ] || need+=(openjdk-17-source)
[ -f /usr/src/linux-source-6.1.tar.xz ] || [ -f "$DIR/linux-source-6.1/Makefile" ] || need+=(linux-source-6.1)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  echo "installing: ${need[*]}" >&2
  $SUDO apt-get install -y -qq "${need[@]}" >&2
fi
bash "$HERE/../kernel_tree.sh" >/dev/null

# Java: java.util and java.io of OpenJDK 17.
if [ ! -d "$AG/java/java.base/java/util" ]; then
  mkdir -p "$AG/java"
  unzip -q -o /usr/lib/jvm/openjdk-17/lib/src.zip \
    'java.base/java/util/*' 'java.base/java/io/*' -d "$AG/java"
fi

# npm packages, unpacked as published.
for spec in express@4.21.2 axios@1.7.9; do
  name=${spec%@*}
  if [ ! -f "$AG/npm/$name/package/package.json" ]; then
    mkdir -p "$AG/npm/$name"
    (cd "$AG/npm/$name" && npm pack -q "$spec" >/dev/null 2>&1 && tar xzf ./*.tgz && rm -f ./*.tgz)
  fi
done

# Replaces one exact line-fragment in a file and fails when it is absent, so
# a changed upstream file cannot silently leave a fault uninjected.
inject() { # FILE OLD NEW
  python3 - "$@" <<'EOF'
import sys
path, old, new = sys.argv[1:4]
text = open(path).read()
if text.count(old) != 1:
    sys.exit(f"inject: {old!r} found {text.count(old)} times in {path}")
open(path, "w").write(text.replace(old, new))
EOF
}

# googletest with its samples: a compile error in sample2.cc, a template
# error in sample4_unittest.cc, wrong results in sample1.cc. The first,
# full build is kept as a CI-style log; later builds redo only what fails.
G=$AG/gtest
if [ ! -f "$G/build/Makefile" ] || [ ! -f "$AG/logs/gtest-ci.log" ]; then
  rm -rf "$G"
  mkdir -p "$G" "$AG/logs"
  cp -r /usr/src/googletest/. "$G/src"
  S=$G/src/googletest/samples
  inject "$S/sample2.cc" 'memcpy(clone, a_c_string, len + 1);' 'memcpy(clone, a_c_string, length + 1);'
  inject "$S/sample4_unittest.cc" 'EXPECT_EQ(0, c.Decrement());' 'EXPECT_EQ(0, c);'
  inject "$S/sample1.cc" 'for (int i = 1; i <= n; i++) {' 'for (int i = 2; i < n; i++) {'
  inject "$S/sample1.cc" 'if (n % 2 == 0) return n == 2;' 'if (n % 2 == 0) return false;'
  cmake -S "$G/src" -B "$G/build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_GMOCK=OFF -Dgtest_build_samples=ON \
    -DCMAKE_C_COMPILER_LAUNCHER= -DCMAKE_CXX_COMPILER_LAUNCHER= >/dev/null
  (cd "$G/build" && make -k -j2 >"$AG/logs/gtest-ci.log" 2>&1) || true
  [ -x "$G/build/googletest/sample1_unittest" ] || { echo "sample1_unittest was not built" >&2; exit 1; }
  # then, as a CI script would, every sample that was built, traced
  (cd "$G/build/googletest" && for t in sample*_unittest; do
     echo "+ ./$t"; "./$t" || echo "+ exit $?"; done >>"$AG/logs/gtest-ci.log" 2>&1)
fi

# textwrap with two faults, beside its real test suite.
P=$AG/pytextwrap
rm -rf "$P"
mkdir -p "$P"
cp /usr/lib/python3.11/textwrap.py /usr/lib/python3.11/test/test_textwrap.py "$P/"
inject "$P/textwrap.py" 'yield (prefix + line if predicate(line) else line)' \
  'yield (prefix + line if predicate(line) else prefix)'
inject "$P/textwrap.py" "return w.fill(' '.join(text.strip().split()))" \
  "return w.fill(' '.join(text.strip().split()), width)"

# Go's container/list as a module, remove() no longer counting down.
L=$AG/golist
rm -rf "$L"
mkdir -p "$L" "$AG/cache/go"
cp /usr/share/go-1.19/src/container/list/*.go "$L/"
printf 'module example.com/list\n\ngo 1.19\n' >"$L/go.mod"
inject "$L/list.go" $'\te.list = nil\n\tl.len--\n' $'\te.list = nil\n'

# A repository made from axios: two commits with fixed dates (so the hashes
# are the same on every machine), then staged, unstaged, deleted and
# untracked changes in the work tree.
R=$AG/repo-axios
rm -rf "$R"
cp -r "$AG/npm/axios/package" "$R"
(
  cd "$R"
  export GIT_AUTHOR_NAME=bench GIT_AUTHOR_EMAIL=bench@example.invalid
  export GIT_COMMITTER_NAME=bench GIT_COMMITTER_EMAIL=bench@example.invalid
  export GIT_AUTHOR_DATE='2024-05-01T10:00:00Z' GIT_COMMITTER_DATE='2024-05-01T10:00:00Z'
  git init -q -b main .
  git add -A
  git commit -q -m 'Import axios 1.7.9'
  inject README.md '# Table of Contents' $'# Table of Contents\n\n  - [Retries](#retries)'
  git commit -q -am 'Link the retries section from the table of contents'
  inject lib/helpers/combineURLs.js "? baseURL.replace(/\\/?\\/\$/, '') + '/' + relativeURL.replace(/^\\/+/, '')" \
    "? baseURL.replace(/\\/+\$/, '') + '/' + relativeURL.replace(/^\\/+/, '')"
  inject lib/core/Axios.js "config.method = (config.method || this.defaults.method || 'get').toLowerCase();" \
    "config.method = (config.method || this.defaults.method || 'get').toUpperCase();"
  git rm -q lib/helpers/deprecatedMethod.js
  inject package.json '"version": "1.7.9",' '"version": "1.7.10",'
  git add package.json
  printf "'use strict';\n\n// Retries a request up to three times.\nexport default function retry(fn) {\n  return fn().catch(() => fn()).catch(() => fn());\n}\n" >lib/helpers/retry.js
)
echo "$AG"
