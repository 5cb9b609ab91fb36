#!/usr/bin/env bash
# Makes real outputs of compilers, linters and test runners from small broken
# programs written here, and keeps them under outputs/ for measure.py.
# Tools that are not installed are skipped with a note. JavaScript tools come
# from npm into a scratch directory (never into the repository):
#   NPM_DIR=/var/tmp/zub-diag-npm  (npm install typescript jest eslint@8)
# Work happens in a fixed scratch directory so paths in the outputs stay the
# same from run to run.
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=${WORK_DIR:-/var/tmp/zub-diag-work}
prefix=
. "$here/outputs_setup.sh"

# ---------------------------------------------------------------- C and C++
mkdir -p "$work/c" && cd "$work/c"
cat >shapes.h <<'C'
struct point { int x, y; };
static inline int area(struct point p) { return p.x * p.y }
C
cat >broken.c <<'C'
#include <stdio.h>
#include "shapes.h"

static int unused_helper(void) { return 1; }

int main(void) {
  int count;
  int spare = 3;
  char *name = 42;
  struct point p = {1, 2};
  printf("%d\n", p.z);
  printf("%s\n", count);
  undeclared_call(name);
  return total;
}
C
keep gcc-c gcc -Wall -Wextra -c broken.c
if have clang; then keep clang-c clang -Wall -Wextra -c broken.c; fi

cat >broken.cpp <<'CPP'
#include <algorithm>
#include <iostream>
#include <list>
#include <map>
#include <string>
#include <vector>

struct Order {
  std::string id;
  int qty;
};

template <typename T>
T total(const std::vector<T>& xs) {
  T sum = 0;
  for (auto x : xs) sum += x;
  return sum;
}

int main() {
  std::list<int> ids{3, 1, 2};
  std::sort(ids.begin(), ids.end());
  Order o{"a", 1};
  std::cout << o << "\n";
  std::map<std::string, Order> by_id;
  int n = by_id.size();
  std::vector<std::string> names{"x"};
  int t = total(names);
  unsigned u = 3;
  if (n < u) return missing_value;
  return 0;
}
CPP
keep gxx g++ -std=c++20 -Wall -Wextra -c broken.cpp
keep clangxx clang++ -std=c++20 -Wall -Wextra -c broken.cpp

# A link failure and make's own failure line.
cat >Makefile <<'MK'
app: main.o
	cc -o app main.o
main.o: main.c
	cc -c main.c
MK
printf 'int helper(int);\nint main(void) { return helper(2); }\n' >main.c
keep make-link make

# ctest with one passing and two failing tests.
mkdir -p "$work/ctest" && cd "$work/ctest"
cat >CMakeLists.txt <<'CM'
cmake_minimum_required(VERSION 3.16)
project(t NONE)
enable_testing()
add_test(NAME parses_header COMMAND true)
add_test(NAME rejects_bad_input COMMAND false)
add_test(NAME round_trip COMMAND sh -c "echo mismatch at byte 12; exit 3")
add_test(NAME keeps_order COMMAND true)
CM
cmake -S . -B b >/dev/null 2>&1 && cd b && keep ctest ctest
cd "$work"

# ---------------------------------------------------------------- Rust
if have cargo; then
  mkdir -p "$work/rs" && cd "$work/rs"
  cargo init --quiet --name broken . >/dev/null 2>&1
  cat >src/main.rs <<'RS'
use std::collections::HashMap;

struct Stock {
    items: Vec<String>,
}

fn count(s: &Stock) -> usize {
    let unused = 5;
    s.items.len()
}

fn main() {
    let mut s = Stock { items: vec![] };
    let first = &s.items;
    s.items.push(String::from("a"));
    println!("{}", first.len());
    let n: i32 = count(&s);
    println!("{}", missing);
    let m: HashMap<String, i32> = HashMap::new();
}
RS
  keep cargo-build cargo build --color never
  cat >src/main.rs <<'RS'
fn parse(s: &str) -> Option<u32> {
    s.trim().parse().ok()
}

fn main() {
    println!("{:?}", parse("4"));
}

#[cfg(test)]
mod tests {
    use super::*;

    #[test]
    fn parses_number() {
        assert_eq!(parse(" 7 "), Some(7));
    }

    #[test]
    fn rejects_words() {
        assert_eq!(parse("seven"), Some(7));
    }

    #[test]
    fn handles_empty() {
        let v: Vec<u32> = Vec::new();
        assert!(v[0] == 0);
    }
}
RS
  keep cargo-test cargo test --color never
  cd "$work"
fi

# ---------------------------------------------------------------- Go
if have go; then
  mkdir -p "$work/go" && cd "$work/go"
  export GOFLAGS=-mod=mod GOPATH="$work/gopath" GOCACHE="$work/gocache" GOPROXY=off
  printf 'module example.com/stock\n\ngo 1.19\n' >go.mod
  cat >main.go <<'GO'
package main

import (
	"fmt"
	"os"
)

func total(xs []int) int {
	sum := 0
	for _, x := range xs {
		sum += x
	}
	return sum
}

func main() {
	var count int = "three"
	spare := 4
	fmt.Println(total(count), missing)
}
GO
  keep go-build go build ./...
  rm main.go
  cat >stock.go <<'GO'
package main

import "fmt"

func Label(n int) string { return fmt.Sprintf("%d items", n) }

func Sum(xs []int) int {
	s := 0
	for i := 1; i < len(xs); i++ {
		s += xs[i]
	}
	return s
}

func main() { fmt.Printf("%s\n", Sum([]int{1})) }
GO
  keep go-vet go vet ./...
  cat >stock_test.go <<'GO'
package main

import "testing"

func TestLabel(t *testing.T) {
	if got := Label(2); got != "2 items" {
		t.Fatalf("got %q", got)
	}
}

func TestSum(t *testing.T) {
	if got := Sum([]int{1, 2, 3}); got != 6 {
		t.Errorf("Sum = %d, want 6", got)
	}
}

func TestSumEmpty(t *testing.T) {
	if got := Sum(nil); got != 0 {
		t.Errorf("Sum(nil) = %d", got)
	}
	var xs []int
	_ = xs[1]
}
GO
  sed -i 's/Printf("%s\\n"/Printf("%d\\n"/' stock.go
  keep go-test go test -v ./...
  cd "$work"
fi

# ---------------------------------------------------------------- Python
mkdir -p "$work/py" && cd "$work/py"
cat >inventory.py <<'PY'
def restock(levels, item, n):
    levels[item] = levels[item] + n
    return levels


def ratio(a, b):
    return a / b
PY
cat >test_inventory.py <<'PY'
import unittest

from inventory import ratio, restock


class RestockTest(unittest.TestCase):
    def test_adds(self):
        self.assertEqual(restock({"a": 1}, "a", 2), {"a": 3})

    def test_new_item(self):
        self.assertEqual(restock({}, "b", 1), {"b": 1})

    def test_keeps_others(self):
        self.assertEqual(restock({"a": 1, "c": 5}, "a", 1), {"a": 2, "c": 6})


class RatioTest(unittest.TestCase):
    def test_half(self):
        self.assertAlmostEqual(ratio(1, 2), 0.5)

    def test_zero(self):
        self.assertEqual(ratio(1, 0), 0)

    def test_list(self):
        self.assertListEqual([ratio(x, 2) for x in range(4)], [0, 0.5, 1, 2])


if __name__ == "__main__":
    unittest.main()
PY
py=python3
[ -x /usr/bin/python3 ] && py=/usr/bin/python3
keep py-unittest "$py" -m unittest
keep py-unittest-v "$py" -m unittest -v
if "$py" -c 'import pytest' 2>/dev/null; then
  keep pytest "$py" -m pytest -p no:cacheprovider
fi
cat >crash.py <<'PY'
import json


def load(text):
    return json.loads(text)["items"]


print(load('{"items": [1, 2'))
PY
keep py-traceback "$py" crash.py
cd "$work"

# ---------------------------------------------------------------- JavaScript
mkdir -p "$work/js" && cd "$work/js"
cat >cart.js <<'JS'
function total(items) {
  return items.reduce((s, i) => s + i.price * i.qty, 0);
}
function label(n) {
  return n === 1 ? "1 item" : n + " item";
}
module.exports = { total, label };
JS
cat >cart.test.js <<'JS'
const test = require("node:test");
const assert = require("node:assert");
const { total, label } = require("./cart.js");

test("total of empty cart is zero", () => {
  assert.strictEqual(total([]), 0);
});
test("total multiplies price by quantity", () => {
  assert.strictEqual(total([{ price: 2, qty: 3 }]), 6);
});
test("label pluralises", () => {
  assert.strictEqual(label(2), "2 items");
});
test("label of one", () => {
  assert.strictEqual(label(1), "1 items");
});
JS
keep node-test node --test cart.test.js
cat >cart.jest.test.js <<'JS'
const { total, label } = require("./cart.js");

describe("cart", () => {
  test("total of empty cart is zero", () => {
    expect(total([])).toBe(0);
  });
  test("total multiplies price by quantity", () => {
    expect(total([{ price: 2, qty: 3 }])).toBe(7);
  });
  describe("label", () => {
    test("pluralises", () => {
      expect(label(2)).toBe("2 items");
    });
    test("handles undefined", () => {
      expect(label(undefined).length).toBeGreaterThan(10);
    });
  });
});
JS
echo 'module.exports = { testEnvironment: "node" };' >jest.config.js
if [ -x "$npm_dir/node_modules/.bin/jest" ]; then
  keep jest "$npm_dir/node_modules/.bin/jest" --rootDir "$work/js" cart.jest.test.js
fi
cat >shop.ts <<'TS'
interface Item {
  name: string;
  price: number;
}

export function total(items: Item[]): number {
  return items.reduce((s, i) => s + i.price * i.qty, 0);
}

export function find(items: Item[], name: string): Item {
  return items.find((i) => i.name === name);
}

const count: number = "three";
const first: Item = { name: "a" };
undefinedCall(count);
console.log(total([first]), missingValue);
TS
if [ -x "$npm_dir/node_modules/.bin/tsc" ]; then
  keep tsc "$npm_dir/node_modules/.bin/tsc" --noEmit --strict shop.ts
  keep tsc-pretty "$npm_dir/node_modules/.bin/tsc" --noEmit --strict --pretty shop.ts
fi
cat >.eslintrc.json <<'J'
{ "root": true, "env": { "node": true, "es2020": true },
  "rules": { "no-undef": "error", "no-unused-vars": "warn", "semi": "error", "eqeqeq": "warn" } }
J
cat >app.js <<'JS'
const fs = require("fs")
function load(path) {
  const data = fs.readFileSync(path, "utf8");
  if (data == null) return defaultValue;
  const unused = 1
  return JSON.parse(data)
}
module.exports = { load, helper };
JS
if [ -x "$npm_dir/node_modules/.bin/eslint" ]; then
  ESLINT_USE_FLAT_CONFIG=false keep eslint "$npm_dir/node_modules/.bin/eslint" --no-color app.js cart.js
fi
cd "$work"


# ---------------------------------------------------------------- long runs
# Real projects fail in bulk: many warnings of a few kinds, many failing
# tests of one suite. These outputs are the ones over 4 KB.
mkdir -p "$work/bulk" && cd "$work/bulk"
{
  echo '#include <stdio.h>'
  for i in $(seq 1 30); do
    printf 'int step%d(int n, unsigned m) { int unused%d = n; if (n < m) return 1; }\n' "$i" "$i"
  done
  echo 'int main(void) { return step1(1, 2) + missing_total; }'
} >many.c
keep gcc-many gcc -Wall -Wextra -c many.c
if have cargo; then
  mkdir -p rs && cd rs
  cargo init --quiet --name many . >/dev/null 2>&1
  {
    for i in $(seq 1 25); do
      printf 'fn step%d(n: u32) -> u32 { let unused%d = n; n }\n' "$i" "$i"
    done
    echo 'fn main() { let total: i32 = step1(2); println!("{}", total + missing); }'
  } >src/main.rs
  keep cargo-many cargo build --color never
  cd ..
fi
{
  echo 'import pytest'
  echo
  echo '@pytest.mark.parametrize("n", range(40))'
  echo 'def test_square(n):'
  echo '    assert n * n == n + n, f"square of {n}"'
  echo
  echo 'def test_parse():'
  echo '    import json'
  echo '    assert json.loads("[1, 2")'
} >test_bulk.py
if "$py" -c 'import pytest' 2>/dev/null; then
  keep pytest-many "$py" -m pytest -p no:cacheprovider test_bulk.py
fi
{
  echo 'const test = require("node:test");'
  echo 'const assert = require("node:assert");'
  for i in $(seq 1 20); do
    printf 'test("price rounding case %d", () => { assert.strictEqual(Math.round(%d.5 * 1.1), %d); });\n' "$i" "$i" "$i"
  done
} >bulk.test.js
keep node-test-many node --test bulk.test.js
cd "$work"
