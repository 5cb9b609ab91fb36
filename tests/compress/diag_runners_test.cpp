// diag on eight test runners' own output, cut from what they printed for
// small failing projects (bench/realcode/diag/make_test_outputs.sh): every
// failing test listed once with the place where it failed, passes counted
// from the runner's closing line, which is kept. Then what must stay apart:
// places that belong to no failing test, tests that only share a name.
#include <gtest/gtest.h>

#include <string>

#include "compress/diag.h"

using zub::diag;

namespace {

// Source-quote lines diag recognises and leaves out, so that a short
// excerpt is summarised rather than given back whole.
std::string summary(const std::string& in) {
  std::string s = in;
  for (int i = 0; i < 40; ++i) s += "   |" + std::string(60, ' ') + "x\n";
  return diag(s);
}

bool has(const std::string& out, const std::string& text) {
  return out.find(text) != std::string::npos;
}

}  // namespace

TEST(DiagRunners, JestAndVitestNameEachFailureWithItsFrame) {
  const std::string jest =
      "FAIL __tests__/math.test.js\n"
      "  \u25cf math \u203a mean of three\n"
      "    expect(received).toBe(expected) // Object.is equality\n"
      "      at Object.toBe (__tests__/math.test.js:8:29)\n"
      "  \u25cf Test suite failed to run\n"
      "      at onResult (../node_modules/@jest/core/build/index.js:1054:18)\n"
      "PASS __tests__/format.test.js\n"
      "Test Suites: 2 failed, 1 passed, 3 total\n"
      "Tests:       2 failed, 6 passed, 8 total\n"
      "Snapshots:   0 total\n";
  const std::string out = summary(jest);
  // The frame under node_modules is no place of a test.
  EXPECT_TRUE(has(out,
                  "  \u25cf math \u203a mean of three at __tests__/math.test.js:8:29\n"
                  "  \u25cf Test suite failed to run\n"))
      << out;
  // The file that passed whole prints one line; the count line says 6.
  EXPECT_TRUE(has(out,
                  "== 6 passed (suppressed) ==\n"
                  "  Test Suites: 2 failed, 1 passed, 3 total\n"
                  "  Tests:       2 failed, 6 passed, 8 total\n"))
      << out;

  const std::string vitest =
      " \u276f math.test.js (6 tests | 2 failed) 37ms\n"
      "     \u2713 adds 2ms\n"
      "     \u00d7 mean of three 14ms\n"
      " FAIL  math.test.js > math > mean of three\n"
      "AssertionError: expected 3 to be 2 // Object.is equality\n"
      " \u276f math.test.js:9:29\n"
      " Test Files  1 failed (1)\n"
      "      Tests  1 failed | 5 passed (6)\n";
  const std::string v = summary(vitest);
  EXPECT_TRUE(has(v,
                  "== 1 failure lines ==\n"
                  "  FAIL  math.test.js > math > mean of three at math.test.js:9:29\n"
                  "== 5 passed (suppressed) ==\n"
                  "  Test Files  1 failed (1)\n"
                  "  Tests  1 failed | 5 passed (6)\n"))
      << v;
}

TEST(DiagRunners, NodeSpecReporterListsARepeatedFailureOnce) {
  const std::string spec =
      "\u2714 adds (22.3ms)\n"
      "\u2716 mean of three (1.56ms)\n"
      "  AssertionError [ERR_ASSERTION]: Expected values to be strictly equal:\n"
      "      at TestContext.<anonymous> (/w/js/math.test.js:9:10)\n"
      "      at Test.runInAsyncScope (node:async_hooks:206:9)\n"
      "\u2139 tests 2\n"
      "\u2139 suites 0\n"
      "\u2139 pass 1\n"
      "\u2139 fail 1\n"
      "\u2716 failing tests:\n"
      "test at math.test.js:8:1\n"
      "\u2716 mean of three (1.56ms)\n"
      "      at TestContext.<anonymous> (/w/js/math.test.js:9:10)\n";
  const std::string out = summary(spec);
  EXPECT_TRUE(has(out,
                  "== 1 failure lines ==\n"
                  "  \u2716 mean of three (1.56ms) at /w/js/math.test.js:9:10\n"
                  "== 1 passed (suppressed) ==\n"
                  "  \u2139 tests 2\n  \u2139 pass 1\n  \u2139 fail 1\n"))
      << out;
}

TEST(DiagRunners, PythonRunnersLocateByTheTestsOwnFrame) {
  const std::string pytest =
      "test_inventory.py .FF.s                                                  [ 50%]\n"
      "....                                                                     [100%]\n"
      "__________________________ RestockTest.test_new_item ___________________________\n"
      "self = <test_inventory.RestockTest testMethod=test_new_item>\n"
      "    def test_new_item(self):\n"
      ">       self.assertEqual(restock({}, \"b\", 1), {\"b\": 1})\n"
      "test_inventory.py:11: \n"
      "_ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _\n"
      "E       KeyError: 'b'\n"
      "inventory.py:2: KeyError\n"
      "______________________________ RatioTest.test_zero ______________________________\n"
      "test_inventory.py:26: \n"
      "=========================== short test summary info ============================\n"
      "FAILED test_inventory.py::RestockTest::test_new_item - KeyError: 'b'\n"
      "FAILED test_inventory.py::RatioTest::test_zero - ZeroDivisionError: division ...\n"
      "==================== 2 failed, 2 passed, 1 skipped in 0.21s ====================\n";
  const std::string out = summary(pytest);
  EXPECT_TRUE(has(out,
                  "== 2 failure lines ==\n"
                  "  FAILED test_inventory.py::RestockTest::test_new_item - KeyError: 'b' at "
                  "test_inventory.py:11 (raised at inventory.py:2)\n"
                  "  FAILED test_inventory.py::RatioTest::test_zero - ZeroDivisionError: "
                  "division ... at test_inventory.py:26\n"
                  "== 2 passed (suppressed) ==\n"))
      << out;
  // A report's source lines and a wrapped progress line are known.
  EXPECT_FALSE(has(out, "unrecognized")) << out;

  const std::string unittest_v =
      "test_half (t.RatioTest.test_half) ... ok\n"
      "test_zero (t.RatioTest.test_zero) ... ERROR\n"
      "test_skip (t.RatioTest.test_skip) ... skipped 'later'\n"
      "ERROR: test_zero (t.RatioTest.test_zero)\n"
      "Traceback (most recent call last):\n"
      "  File \"/w/t.py\", line 26, in test_zero\n"
      "  File \"/w/inventory.py\", line 7, in ratio\n"
      "ZeroDivisionError: division by zero\n"
      "Ran 3 tests in 0.002s\n"
      "\n"
      "FAILED (errors=1, skipped=1)\n";
  const std::string u = summary(unittest_v);
  EXPECT_TRUE(has(u,
                  "== 1 failure lines ==\n"
                  "  ERROR: t.RatioTest.test_zero at /w/t.py:26\n"
                  "== 1 passed (suppressed) ==\n"
                  "  Ran 3 tests in 0.002s\n"
                  "  FAILED (errors=1, skipped=1)\n"))
      << u;
}

TEST(DiagRunners, GoCargoCtestAndProveTests) {
  const std::string go =
      "--- FAIL: TestSumOne (0.00s)\n"
      "    stock_test.go:7: Sum([4]) = 0, want 4\n"
      "--- FAIL: TestMaxEmpty (0.00s)\n"
      "panic: runtime error: index out of range [0] with length 0 [recovered]\n"
      "example.com/stock.Max(...)\n"
      "\t/w/go/stock.go:12\n"
      "example.com/stock.TestMaxEmpty(0xc000096b60?)\n"
      "\t/w/go/stock_test.go:24 +0x18\n"
      "FAIL\texample.com/stock\t0.015s\n";
  // What a test logged is its message, not an error line of its own.
  const std::string g = summary(go);
  EXPECT_TRUE(has(g,
                  "  --- FAIL: TestSumOne (0.00s) at stock_test.go:7: Sum([4]) = 0, want 4\n"
                  "  --- FAIL: TestMaxEmpty (0.00s) at /w/go/stock_test.go:24\n"))
      << g;
  EXPECT_FALSE(has(g, "  stock_test.go:7")) << g;
  // go test -v logs before the result: a failing test takes the first
  // message and counts the rest; a passing test's log is no failure.
  const std::string gv = summary(
      "=== RUN   TestList\n"
      "    list_test.go:11: l.Len() = 1, want 0\n"
      "    list_test.go:11: l.Len() = 5, want 4\n"
      "--- FAIL: TestList (0.00s)\n"
      "=== RUN   TestLog\n"
      "    log_test.go:4: starting\n"
      "--- PASS: TestLog (0.00s)\n"
      "=== RUN   TestBuild\n"
      "./list.go:3:2: undefined: x\n"
      "--- FAIL: TestBuild (0.00s)\n");
  EXPECT_TRUE(has(gv,
                  "  --- FAIL: TestList (0.00s) at list_test.go:11: l.Len() = 1, want 0 "
                  "(+1 more failures)\n"))
      << gv;
  EXPECT_TRUE(has(gv, "== 1 error lines ==\n  ./list.go:3:2: undefined: x\n")) << gv;
  EXPECT_FALSE(has(gv, "starting")) << gv;
  // A table test failing one way in many cases is one line that keeps every
  // place and every test; a failure that says something else stays apart.
  std::string table;
  for (int i = 0; i < 4; ++i)
    table += "=== RUN   TestWords" + std::to_string(i) +
             "\n    calc_test.go:" + std::to_string(7 + 6 * i) +
             ": Words = 3, want 4\n--- FAIL: TestWords" + std::to_string(i) + " (0.00s)\n";
  table +=
      "=== RUN   TestOther\n    calc_test.go:40: Words = 2, want 4\n"
      "--- FAIL: TestOther (0.00s)\n";
  const std::string gt = summary(table);
  EXPECT_TRUE(has(gt,
                  "== 5 failure lines ==\n"
                  "  Words = 3, want 4 (\u00d74) at calc_test.go:7,13,19,25; tests: TestWords0, "
                  "TestWords1, TestWords2, TestWords3\n"
                  "  --- FAIL: TestOther (0.00s) at calc_test.go:40: Words = 2, want 4\n"))
      << gt;

  const std::string cargo =
      "test tests::rejects_words ... FAILED\n"
      "test tests::handles_empty ... FAILED\n"
      "---- tests::rejects_words stdout ----\n"
      "thread 'tests::rejects_words' (29174) panicked at src/lib.rs:16:9:\n"
      "assertion `left == right` failed\n"
      "             at /rustc/5980/library/std/src/panicking.rs:689:5\n"
      "---- tests::handles_empty stdout ----\n"
      "             at /rustc/5980/library/core/src/panicking.rs:80:14\n"
      "   6: stock::tests::handles_empty\n"
      "             at ./src/lib.rs:22:18\n"
      "failures:\n"
      "    tests::handles_empty\n"
      "test result: FAILED. 2 passed; 2 failed; 0 ignored; 0 measured; 0 filtered out\n";
  const std::string c = summary(cargo);
  // Without its panic line the test takes its first frame outside the runtime.
  EXPECT_TRUE(has(c,
                  "== 2 failure lines ==\n"
                  "  test tests::rejects_words ... FAILED at src/lib.rs:16:9\n"
                  "  test tests::handles_empty ... FAILED at ./src/lib.rs:22:18\n"
                  "== 2 passed (suppressed) ==\n"))
      << c;
  EXPECT_FALSE(has(c, "unrecognized")) << c;

  const std::string ctest =
      "1/4 Test #1: sums_bytes .......................Subprocess aborted***Exception:   0.05 "
      "sec\n"
      "check_sum: /w/check_sum.c:14: main: Assertion `sum(xs, 3) == 6' failed.\n"
      "2/4 Test #2: sums_empty .......................   Passed    0.04 sec\n"
      "3/4 Test #3: rejects_bad_input ................***Failed    0.04 sec\n"
      "/w/check_sum.c:18: sum of one = 0, want 1\n"
      "50% tests passed, 2 tests failed out of 4\n"
      "\t  1 - sums_bytes (Subprocess aborted)\n"
      "\t  3 - rejects_bad_input (Failed)\n";
  const std::string t = summary(ctest);
  EXPECT_TRUE(has(t, "***Exception:   0.05 sec at /w/check_sum.c:14\n")) << t;
  EXPECT_TRUE(has(t,
                  "***Failed    0.04 sec at /w/check_sum.c:18\n"
                  "== 2 passed (suppressed) ==\n"
                  "  50% tests passed, 2 tests failed out of 4\n"))
      << t;

  const std::string prove =
      "#   Failed test 'mean of three'\n"
      "#   at t/math.t line 8.\n"
      "#   Failed test at t/math.t line 9.\n"
      "ok 1 - adds\n"
      "not ok 2 - mean of three\n"
      "not ok 3\n"
      "Failed 2/5 subtests\n"
      "Files=1, Tests=5,  0 wallclock secs\n"
      "Result: FAIL\n";
  const std::string p = summary(prove);
  EXPECT_TRUE(has(p,
                  "== 3 failure lines ==\n"
                  "  Failed test 'mean of three' at t/math.t:8\n"
                  "  Failed test at t/math.t line 9. at t/math.t:9\n"
                  "  not ok 3\n"
                  "== 3 passed (suppressed) ==\n"))
      << p;
}

// GoogleTest prints where and what failed before the line naming the test,
// and names it again in its closing list.
TEST(DiagRunners, GoogleTestTakesTheFailureAboveItsName) {
  const std::string gtest =
      "[==========] Running 3 tests from 2 test suites.\n"
      "[ RUN      ] FactorialTest.Positive\n"
      "/w/sample1_unittest.cc:105: Failure\n"
      "Expected equality of these values:\n"
      "  2\n"
      "  Factorial(2)\n"
      "    Which is: 1\n"
      "/w/sample1_unittest.cc:107: Failure\n"
      "Value of: Factorial(8)\n"
      "[  FAILED  ] FactorialTest.Positive (0 ms)\n"
      "[ RUN      ] IsPrimeTest.Negative\n"
      "[       OK ] IsPrimeTest.Negative (0 ms)\n"
      "[ RUN      ] ParamTest.Even/0\n"
      "/w/param_test.cc:12: Failure\n"
      "Value of: IsEven(3)\n"
      "[  FAILED  ] ParamTest.Even/0, where GetParam() = 3 (0 ms)\n"
      "[==========] 3 tests from 2 test suites ran. (0 ms total)\n"
      "[  PASSED  ] 1 test.\n"
      "[  FAILED  ] 2 tests, listed below:\n"
      "[  FAILED  ] FactorialTest.Positive\n"
      "[  FAILED  ] ParamTest.Even/0, where GetParam() = 3\n"
      "\n 2 FAILED TESTS\n";
  const std::string g = summary(gtest);
  EXPECT_TRUE(has(g,
                  "== 2 failure lines ==\n"
                  "  [  FAILED  ] FactorialTest.Positive (0 ms) at /w/sample1_unittest.cc:105: "
                  "Expected equality of these values: 2 Factorial(2) Which is: 1 (+1 more "
                  "failures)\n"
                  "  [  FAILED  ] ParamTest.Even/0, where GetParam() = 3 (0 ms) at "
                  "/w/param_test.cc:12: Value of: IsEven(3)\n"
                  "== 1 passed (suppressed) ==\n"))
      << g;
  // Its closing counts repeat what the sections already say.
  EXPECT_FALSE(has(g, "listed below")) << g;
  EXPECT_FALSE(has(g, "unrecognized")) << g;
  // However long the message, the count of the test's other failures stays.
  const std::string wide(80, 'w');
  const std::string long_message =
      summary("[ RUN      ] A.B\n/w/a.cc:1: Failure\n" + wide + "\n" + wide + "\n" + wide + "\n" +
              wide + "\n/w/a.cc:2: Failure\nx\n[  FAILED  ] A.B (0 ms)\n");
  EXPECT_TRUE(has(long_message, "w (+1 more failures)\n")) << long_message;
}

TEST(DiagRunners, PhpunitAndRspecNameEachFailureWithTheTestsPlace) {
  const std::string php =
      "PHPUnit 9.5.10 by Sebastian Bergmann and contributors.\n\n"
      "..F.E                                                               5 / 5 (100%)\n\n"
      "Time: 00:00.012, Memory: 4.00 MB\n\n"
      "There was 1 error:\n\n"
      "1) Tests\\CalcTest::testDivide\n"
      "DivisionByZeroError: Division by zero\n\n"
      "/w/src/Calc.php:12\n"
      "/w/tests/CalcTest.php:20\n\n"
      "--\n\n"
      "There was 1 failure:\n\n"
      "1) Tests\\CalcTest::testAdd\n"
      "Failed asserting that 4 matches expected 3.\n"
      "--- Expected\n"
      "+++ Actual\n\n"
      "/w/tests/CalcTest.php:14\n\n"
      "FAILURES!\n"
      "Tests: 5, Assertions: 5, Errors: 1, Failures: 1.\n";
  const std::string p = summary(php);
  EXPECT_TRUE(
      has(p,
          "== 2 failure lines ==\n"
          "  1) Tests\\CalcTest::testDivide at /w/tests/CalcTest.php:20: DivisionByZeroError: "
          "Division by zero\n"
          "  1) Tests\\CalcTest::testAdd at /w/tests/CalcTest.php:14: Failed asserting that 4 "
          "matches expected 3.\n"
          "== 3 passed (suppressed) ==\n"
          "  Tests: 5, Assertions: 5, Errors: 1, Failures: 1.\n"))
      << p;
  EXPECT_FALSE(has(p, "unrecognized")) << p;
  const std::string rspec =
      "..F*\n\nPending: (Failures listed here are expected and do not affect your suite's "
      "status)\n\n"
      "Failures:\n\n"
      "  1) Calc adds numbers\n"
      "     Failure/Error: expect(Calc.add(1, 2)).to eq(4)\n\n"
      "       expected: 4\n"
      "            got: 3\n\n"
      "     # ./lib/calc.rb:9:in `add'\n"
      "     # ./spec/calc_spec.rb:5:in `block (2 levels) in <top (required)>'\n\n"
      "Finished in 0.01 seconds (files took 0.1 seconds to load)\n"
      "4 examples, 1 failure, 1 pending\n\n"
      "Failed examples:\n\n"
      "rspec ./spec/calc_spec.rb:4 # Calc adds numbers\n";
  const std::string r = summary(rspec);
  EXPECT_TRUE(has(r,
                  "== 1 failure lines ==\n"
                  "  1) Calc adds numbers at ./spec/calc_spec.rb:5: Failure/Error: "
                  "expect(Calc.add(1, 2)).to eq(4) expected: 4 got: 3\n"
                  "== 2 passed (suppressed) ==\n"
                  "  4 examples, 1 failure, 1 pending\n"))
      << r;
}

TEST(DiagRunners, WhatMustStayApart) {
  // A compiler's place before a failing test is not where the test failed,
  // and a test frame with no failure open gives nobody a place.
  const std::string out = summary(
      "src/a.c:3:5: error: expected ';'\n"
      "      at Object.<anonymous> (x.test.js:1:1)\n"
      "FAIL: test_x (m.T.test_x)\n"
      "\u25cf one \u203a adds\n"
      "\u25cf two \u203a adds\n"
      "--- FAIL: TestParse (0.00s)\n"
      "FAIL\texample.com/a\t0.01s\n"
      "--- FAIL: TestParse (0.00s)\n"
      "FAIL\texample.com/b\t0.01s\n");
  EXPECT_TRUE(has(out,
                  "  FAIL: m.T.test_x\n"
                  // Two suites' tests of one name stay two, and so do two
                  // packages' tests.
                  "  \u25cf one \u203a adds\n"
                  "  \u25cf two \u203a adds\n"
                  "  --- FAIL: TestParse (0.00s)\n"
                  "  FAIL\texample.com/a\t0.01s\n"
                  "  --- FAIL: TestParse (0.00s)\n"))
      << out;
  // Counts that are no runner's closing line; without one, passes are the
  // lines seen.
  const std::string counts = summary(
      "ok 1 - a\nok 2 - b\n3 errors in 2 files\nFound 3 errors in 2 files.\nnot ok 3 - c\n");
  EXPECT_TRUE(has(counts, "== 2 passed (suppressed) ==\n== ")) << counts;
  EXPECT_TRUE(has(counts, "  3 errors in 2 files\n")) << counts;
}

TEST(DiagRunners, UncaughtExceptionsTakeWhereTheyWereThrown) {
  // The JVM's and node's uncaught exceptions are errors, each with the
  // frame printed right under it; the cause too.
  const std::string jvm = summary(
      "Exception in thread \"main\" java.lang.RuntimeException: wrapped\n"
      "\tat D.main(D.java:5)\n"
      "Caused by: java.lang.IllegalStateException: depth zero\n"
      "\tat D.f(D.java:2)\n"
      "\t... 1 more\n");
  EXPECT_TRUE(has(jvm,
                  "== 2 error lines ==\n"
                  "  D.java:5: Exception in thread \"main\" java.lang.RuntimeException: wrapped\n"
                  "  D.java:2: Caused by: java.lang.IllegalStateException: depth zero\n"))
      << jvm;
  const std::string node = summary(
      "TypeError: Cannot read properties of undefined (reading 'z')\n"
      "    at f (/tmp/a.js:1:28)\n"
      "    at Module._compile (node:internal/modules/cjs/loader:1521:14)\n"
      "Node.js v20.20.2\n");
  EXPECT_TRUE(has(node, "  /tmp/a.js:1:28: TypeError: Cannot read properties of undefined"))
      << node;
  EXPECT_FALSE(has(node, "unrecognized")) << node;
  // node's own report names the thrown line above its source and caret:
  // that place goes in front (with the first frame's column when it is the
  // same line), and a throw inside node_modules names the caller after it.
  struct Crash {
    std::string place, source, error, frames, listed;
  };
  const Crash crashes[] = {
      {"/w/syntax.js:9", "console.log(total(items);", "SyntaxError: missing ) after argument list",
       "    at wrapSafe (node:internal/modules/cjs/loader:1464:18)\n",
       "  /w/syntax.js:9: SyntaxError: missing ) after argument list\n"},
      {"/w/config.js:5", "  return raw.server.port;", "TypeError: Cannot read properties of null",
       "    at loadConfig (/w/config.js:5:21)\n    at Object.<anonymous> (/w/main.js:3:14)\n",
       "  /w/config.js:5:21: TypeError: Cannot read properties of null\n"},
      {"/w/node_modules/serve-static/index.js:40", "    throw new TypeError('root path required')",
       "TypeError: root path required",
       "    at Function.serveStatic [as static] (/w/node_modules/serve-static/index.js:40:11)\n"
       "    at Object.<anonymous> (/w/main.js:5:17)\n"
       "    at Module._compile (node:internal/modules/cjs/loader:1521:14)\n",
       "  /w/node_modules/serve-static/index.js:40: TypeError: root path required (from "
       "/w/main.js:5:17)\n"},
  };
  for (const Crash& c : crashes) {
    const std::string out =
        summary("starting\n" + c.place + "\n" + c.source + "\n" + "                       ^\n\n" +
                c.error + "\n" + c.frames + "\nNode.js v20.20.2\n");
    EXPECT_TRUE(has(out, "== 1 error lines ==\n" + c.listed +
                             "== 1 unrecognized lines (first 25) ==\n  starting\n"))
        << out;
  }
  // A crash the shell saw, the shell's own errors, "fatal:", Ruby's raise:
  // errors wherever they stand in a long log, not a sample's luck.
  const std::string shell = summary(
      "bash: line 1: frobnicate: command not found\n"
      "sh: 1: jq: not found\n"
      "./run.sh: line 3: syntax error near unexpected token `fi'\n"
      "x.rb:3:in `foo': undefined method `bar' for nil (NoMethodError)\n"
      "\tfrom x.rb:7:in `<main>'\n"
      "./run.sh: line 9:  811 Segmentation fault      (core dumped) ./app\n"
      "Killed\n"
      "fatal: not a git repository (or any of the parent directories): .git\n"
      "sh: 1 file copied: not found in 2 places\n");
  EXPECT_TRUE(has(shell, "== 7 error lines ==\n")) << shell;
  EXPECT_TRUE(has(shell, "== 1 unrecognized lines (first 25) ==\n  sh: 1 file copied")) << shell;
  // Perl puts the place after the message: die and compile errors listed
  // with it in front, warnings counted, Carp's frames and the abort known.
  const std::string perl = summary(
      "Use of uninitialized value $x in concatenation (.) or string at t.pl line 2.\n"
      "syntax error at t.pl line 3, near \"= ;\"\n"
      "Execution of t.pl aborted due to compilation errors.\n"
      "cannot open config: No such file or directory at t.pl line 4, <STDIN> line 5.\n"
      "Died at lib/A.pm line 7.\n"
      "\tA::f() called at t.pl line 9\n"
      "the bus at noon line 3 was late\n");
  EXPECT_TRUE(has(perl,
                  "   1x perl: warning\n"
                  "      t.pl:2: Use of uninitialized value $x in concatenation (.) or string\n"
                  "== 3 error lines ==\n"
                  "  t.pl:3: syntax error, near \"= ;\"\n"
                  "  t.pl:4: cannot open config: No such file or directory, <STDIN> line 5\n"
                  "  lib/A.pm:7: Died\n"
                  "== 1 unrecognized lines (first 25) ==\n  the bus at noon"))
      << perl;
}
