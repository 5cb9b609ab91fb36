#!/usr/bin/env bash
# Makes real outputs of eight test runners from small projects written here,
# each with passing and failing tests, and keeps them as
# outputs/runner-*.txt for measure.py ("diag names every failing test with
# its location and counts what the runner counts"). Runners that are not
# installed are skipped with a note. jest and vitest come from npm into a
# scratch directory (never into the repository):
#   NPM_DIR=/var/tmp/zub-diag-npm  (npm install jest vitest)
# pytest and go come from Debian (python3-pytest, golang-go). Work happens in
# a fixed scratch directory so paths in the outputs stay the same.
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=${WORK_DIR:-/var/tmp/zub-diag-runners}
prefix=runner-
. "$here/outputs_setup.sh"

# ------------------------------------------------ JavaScript: one module
mkdir -p "$work/js/__tests__" && cd "$work/js"
cat >math.js <<'JS'
function add(a, b) {
  return a + b;
}
function mean(xs) {
  return xs.reduce((s, x) => s + x, 0) / (xs.length - 1);
}
function clamp(x, lo, hi) {
  return Math.max(lo, Math.min(x, lo));
}
function label(n) {
  return n + " item" + (n > 1 ? "s" : "");
}
module.exports = { add, mean, clamp, label };
JS

# node --test, in its TAP reporter (what it prints into a pipe) and its
# spec reporter (what it prints on a terminal).
cat >math.test.js <<'JS'
const test = require("node:test");
const assert = require("node:assert");
const { add, mean, clamp, label } = require("./math.js");

test("adds", () => {
  assert.strictEqual(add(2, 3), 5);
});
test("mean of three", () => {
  assert.strictEqual(mean([1, 2, 3]), 2);
});
test("clamps high values", () => {
  assert.strictEqual(clamp(12, 0, 10), 10);
});
test("labels one item", () => {
  assert.strictEqual(label(1), "1 item");
});
JS
if have node; then
  keep node-tap node --test math.test.js
  keep node-human node --test --test-reporter=spec math.test.js  # the human-readable reporter
fi

# jest over two files: one that passes whole, one with three failures.
cat >__tests__/math.test.js <<'JS'
const { add, mean, clamp, label } = require("../math.js");

describe("math", () => {
  test("adds", () => {
    expect(add(2, 3)).toBe(5);
  });
  test("mean of three", () => {
    expect(mean([1, 2, 3])).toBe(2);
  });
  test("clamps high values", () => {
    expect(clamp(12, 0, 10)).toBe(10);
  });
  test("clamps low values", () => {
    expect(clamp(-3, 0, 10)).toBe(0);
  });
  test("labels many items", () => {
    expect(label(3)).toEqual("3 items");
  });
  test("labels one item", () => {
    expect(label(1)).toEqual("1 item");
  });
});
JS
cat >__tests__/format.test.js <<'JS'
const { label } = require("../math.js");

test("labels two", () => {
  expect(label(2)).toBe("2 items");
});
test("labels zero", () => {
  expect(label(0)).toBe("0 items");
});
JS
echo 'module.exports = { testEnvironment: "node", testMatch: ["**/__tests__/*.test.js"] };' >jest.config.js
if [ -x "$npm_dir/node_modules/.bin/jest" ]; then
  keep jest "$npm_dir/node_modules/.bin/jest" --rootDir "$work/js"
fi

mkdir -p "$work/vitest" && cd "$work/vitest"
echo '{ "type": "module" }' >package.json
sed -e 's/^module.exports = \(.*\);$/export \1;/' "$work/js/math.js" >math.js
{
  echo 'import { describe, test, expect } from "vitest";'
  echo 'import { add, mean, clamp, label } from "./math.js";'
  tail -n +2 "$work/js/__tests__/math.test.js"
} >math.test.js
{
  echo 'import { test, expect } from "vitest";'
  echo 'import { label } from "./math.js";'
  tail -n +2 "$work/js/__tests__/format.test.js"
} >format.test.js
if [ -x "$npm_dir/node_modules/.bin/vitest" ]; then
  keep vitest env NO_COLOR=1 "$npm_dir/node_modules/.bin/vitest" run --root "$work/vitest"
fi

# ------------------------------------------------ Python
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

    @unittest.skip("not yet")
    def test_negative(self):
        pass


class RatioTest(unittest.TestCase):
    def test_half(self):
        self.assertAlmostEqual(ratio(1, 2), 0.5)

    def test_zero(self):
        self.assertEqual(ratio(1, 0), 0)

    def test_third(self):
        self.assertAlmostEqual(ratio(1, 3), 0.33)


if __name__ == "__main__":
    unittest.main()
PY
py=python3
[ -x /usr/bin/python3 ] && py=/usr/bin/python3
keep unittest "$py" -m unittest
if "$py" -c 'import pytest' 2>/dev/null; then
  keep pytest "$py" -m pytest -p no:cacheprovider
fi

# ------------------------------------------------ Go
if have go; then
  mkdir -p "$work/go" && cd "$work/go"
  export GOFLAGS=-mod=mod GOPATH="$work/gopath" GOCACHE="$work/gocache" GOPROXY=off
  printf 'module example.com/stock\n\ngo 1.19\n' >go.mod
  cat >stock.go <<'GO'
package stock

func Sum(xs []int) int {
	s := 0
	for i := 1; i < len(xs); i++ {
		s += xs[i]
	}
	return s
}

func Max(xs []int) int {
	m := xs[0]
	for _, x := range xs {
		if x > m {
			m = x
		}
	}
	return m
}
GO
  cat >stock_test.go <<'GO'
package stock

import "testing"

func TestSumOne(t *testing.T) {
	if got := Sum([]int{4}); got != 4 {
		t.Errorf("Sum([4]) = %d, want 4", got)
	}
}

func TestSumEmpty(t *testing.T) {
	if got := Sum(nil); got != 0 {
		t.Errorf("Sum(nil) = %d", got)
	}
}

func TestMax(t *testing.T) {
	if got := Max([]int{1, 5, 2}); got != 5 {
		t.Fatalf("Max = %d", got)
	}
}

func TestMaxEmpty(t *testing.T) {
	if got := Max(nil); got != 0 {
		t.Errorf("Max(nil) = %d", got)
	}
}
GO
  keep go go test ./...
  keep go-v go test -v ./...
  cd "$work"
fi

# ------------------------------------------------ Rust
if have cargo; then
  mkdir -p "$work/rs" && cd "$work/rs"
  cargo init --quiet --lib --name stock . >/dev/null 2>&1
  cat >src/lib.rs <<'RS'
pub fn parse(s: &str) -> Option<u32> {
    s.trim().parse().ok()
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

    #[test]
    fn parses_zero() {
        assert_eq!(parse("0"), Some(0));
    }
}
RS
  keep cargo cargo test --color never
  cd "$work"
fi

# ------------------------------------------------ ctest
mkdir -p "$work/ctest" && cd "$work/ctest"
cat >CMakeLists.txt <<'CM'
cmake_minimum_required(VERSION 3.16)
project(t C)
enable_testing()
add_executable(check_sum check_sum.c)
add_test(NAME sums_bytes COMMAND check_sum 1)
add_test(NAME sums_empty COMMAND check_sum 2)
add_test(NAME rejects_bad_input COMMAND check_sum 3)
add_test(NAME keeps_order COMMAND check_sum 4)
CM
cat >check_sum.c <<'C'
#include <assert.h>
#include <stdio.h>
#include <stdlib.h>

static int sum(const int *xs, int n) {
  int s = 0;
  for (int i = 1; i < n; ++i) s += xs[i];
  return s;
}

int main(int argc, char **argv) {
  const int xs[] = {1, 2, 3};
  switch (argc > 1 ? atoi(argv[1]) : 0) {
    case 1: assert(sum(xs, 3) == 6); break;
    case 2: assert(sum(xs, 0) == 0); break;
    case 3:
      if (sum(xs, 1) != 1) {
        fprintf(stderr, "%s:%d: sum of one = %d, want 1\n", __FILE__, __LINE__, sum(xs, 1));
        return 1;
      }
      break;
    default: break;
  }
  return 0;
}
C
if cmake -S . -B b >/dev/null 2>&1 && cmake --build b >/dev/null 2>&1; then
  cd b
  keep ctest ctest
  keep ctest-output ctest --output-on-failure
fi

# ------------------------------------------------ TAP from Perl's prove
mkdir -p "$work/pl/t" && cd "$work/pl"
cat >t/math.t <<'PL'
use strict;
use warnings;
use Test::More tests => 5;

sub mean { my $s = 0; $s += $_ for @_; return $s / (@_ - 1) }

is(1 + 1, 2, 'adds');
is(mean(1, 2, 3), 2, 'mean of three');
ok(mean(4, 4) == 4, 'mean of two');
like('1 items', qr/^1 item$/, 'labels one item');
is_deeply([sort 3, 1, 2], [1, 2, 3], 'sorts');
PL
if have prove; then
  keep prove prove t/
  keep prove-v prove -v t/
fi
