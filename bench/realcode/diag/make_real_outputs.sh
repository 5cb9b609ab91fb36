#!/usr/bin/env bash
# Makes real outputs of real tools run on real projects with planted faults,
# and keeps them as outputs/real-*.txt for measure.py ("every error place and
# failing test name survives diag"). Sources are projects already on the
# machine or fetched with the package clients: Beautiful Soup and its pytest
# suite (Debian's python3-bs4, python3-pytest), mypy over it
# (python3-mypy), Express type-checked by tsc (npm: typescript, express),
# node's own reports of an uncaught exception, zub's own C++ sources through
# g++ and clang++, Go's standard library through go build and go vet, and a
# small Java program through javac. Tools that are missing are skipped with
# a note. Work happens in fixed scratch directories, so paths in the outputs
# stay the same from run to run:
#   WORK_DIR=/var/tmp/zub-diag-real  NPM_DIR=/var/tmp/zub-diag-npm
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
work=${WORK_DIR:-/var/tmp/zub-diag-real}
prefix=real-
. "$here/outputs_setup.sh"

# ------------------------------------- Python: Beautiful Soup, pytest, mypy
bs4=/usr/lib/python3/dist-packages/bs4
if [ -d "$bs4" ] && /usr/bin/python3 -m pytest --version >/dev/null 2>&1; then
  mkdir -p "$work/bs4proj" && cp -r "$bs4" "$work/bs4proj/" && cd "$work/bs4proj"
  # Two planted faults: attributes sorted by value (a TypeError deep in the
  # formatter for tests that never call it) and get_text ignoring strip.
  /usr/bin/python3 - <<'PY'
import re
p = "bs4/formatter.py"
s = open(p).read()
s = s.replace("""        return sorted(
            (k, (None if self.empty_attributes_are_booleans and v == '' else v))
            for k, v in list(tag.attrs.items())
        )""", """        return sorted(
            ((k, (None if self.empty_attributes_are_booleans and v == '' else v))
             for k, v in list(tag.attrs.items())),
            key=lambda kv: kv[1]
        )""")
open(p, "w").write(s)
p = "bs4/element.py"
s = open(p).read()
s = s.replace("""        return separator.join([s for s in self._all_strings(
                    strip, types=types)])""", """        return separator.join([s for s in self._all_strings(
                    False, types=types)])""")
open(p, "w").write(s)
PY
  keep pytest-bs4 /usr/bin/python3 -m pytest -p no:cacheprovider bs4/tests
  keep pytest-bs4-short /usr/bin/python3 -m pytest -p no:cacheprovider --tb=short bs4/tests
  if /usr/bin/python3 -m mypy --version >/dev/null 2>&1; then
    keep mypy-bs4 /usr/bin/python3 -m mypy --no-incremental --cache-dir=/dev/null \
      --ignore-missing-imports --check-untyped-defs bs4
  fi
else
  echo "skipped Python: no python3-bs4 or python3-pytest"
fi

# -------------------------------------------------- TypeScript over Express
if have npm; then
  mkdir -p "$npm_dir"
  (cd "$npm_dir" && [ -x node_modules/.bin/tsc ] && [ -d node_modules/express ] ||
    npm install --no-audit --no-fund typescript@5 express@4 >/dev/null 2>&1)
  if [ -x "$npm_dir/node_modules/.bin/tsc" ] && [ -d "$npm_dir/node_modules/express" ]; then
    mkdir -p "$work/express" && cp -r "$npm_dir/node_modules/express/lib" "$work/express/"
    cd "$work/express"
    keep tsc-express "$npm_dir/node_modules/.bin/tsc" --allowJs --checkJs --noEmit --target es2020 \
      --module commonjs --moduleResolution node lib/*.js lib/router/*.js
  else
    echo "skipped tsc: npm install failed"
  fi
fi

# ---------------------------------------------- node's uncaught exceptions
if have node; then
  mkdir -p "$work/node" && cd "$work/node"
  cat >syntax.js <<'JS'
const items = [1, 2, 3];
function total(list) {
  let sum = 0;
  for (const x of list) {
    sum += x;
  }
  return sum
}
console.log(total(items);
JS
  cat >config.js <<'JS'
'use strict';
function loadConfig(file) {
  const raw = JSON.parse(require('fs').readFileSync(file, 'utf8'));
  return raw.server.port;
}
module.exports = { loadConfig };
JS
  echo '{"server": null}' >conf.json
  cat >main.js <<'JS'
const { loadConfig } = require('./config');
console.log('starting');
const port = loadConfig(__dirname + '/conf.json');
console.log(port);
JS
  keep node-syntax node syntax.js
  keep node-throw node main.js
  if [ -d "$npm_dir/node_modules/express" ]; then
    cat >static.js <<JS
const express = require('$npm_dir/node_modules/express');
console.log('starting');
const app = express();
app.use(express.static());
JS
    keep node-lib-throw node static.js
  fi
fi

# ----------------------------------------- C++: zub's own sources, renamed
if have g++; then
  mkdir -p "$work/zubsrc" && cp -r "$root/src" "$work/zubsrc/" && cd "$work/zubsrc"
  # One helper renamed in its header: every use of it fails the same way.
  sed -i 's/^inline bool starts_with(/inline bool begins_with(/' src/base/text.h
  keep gxx-zub sh -c 'for f in src/compress/diag_*.cpp; do g++ -std=c++20 -Isrc -fsyntax-only "$f"; done'
  have clang++ && keep clangxx-zub sh -c \
    'for f in src/compress/diag_g*.cpp src/compress/diag_m*.cpp; do clang++ -std=c++20 -Isrc -fsyntax-only "$f"; done'
fi

# ---------------------------------- Go: the standard library's container/list
if have go; then
  mkdir -p "$work/gomod/listx" && cd "$work/gomod"
  printf 'module example.com/gomod\n\ngo 1.19\n' >go.mod
  cp "$(go env GOROOT)/src/container/list/list.go" listx/
  sed -i 's/^package list$/package listx/' listx/list.go
  # lazyInit renamed where it is declared: every caller fails the same way.
  sed -i 's/^func (l \*List) lazyInit() {/func (l *List) lazyInitialize() {/' listx/list.go
  keep go-build-list go build ./...
fi

# ------------------------------------------------------- Java: one program
if have javac; then
  mkdir -p "$work/java/src/shop" && cd "$work/java"
  cat >src/shop/Cart.java <<'JAVA'
package shop;

public class Cart {
  private final java.util.List<Item> items = new java.util.ArrayList<>();

  public void add(Item item) { items.add(item); }

  public Money total() {
    Money sum = Money.ZERO;
    for (Item i : items) sum = sum.plus(i.price().times(i.count()));
    return sum;
  }

  public Money totalWithTax(BigDecimal rate) {
    return total().times(rate);
  }

  public BigDecimal weight() {
    BigDecimal w = BigDecimal.ZERO;
    for (Item i : items) w = w.add(i.weight());
    return w;
  }
}
JAVA
  cat >src/shop/Item.java <<'JAVA'
package shop;

public record Item(String name, Money price, int count, BigDecimal weight) {}
JAVA
  cat >src/shop/Money.java <<'JAVA'
package shop;

public record Money(BigDecimal amount) {
  public static final Money ZERO = new Money(BigDecimal.ZERO);
  public Money plus(Money o) { return new Money(amount.add(o.amount)); }
  public Money times(int n) { return new Money(amount.multiply(BigDecimal.valueOf(n))); }
  public Money times(BigDecimal r) { return new Money(amount.multiply(r)); }
}
JAVA
  keep javac-shop javac -d build src/shop/*.java
fi
echo "outputs in $out"
