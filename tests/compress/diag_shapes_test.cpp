// diag on the output shapes of real toolchains: C and C++ compilers with
// the linker and make, rustc and cargo, go, Python's unittest and pytest,
// node's TAP, jest and ctest. Each fixture is short and written from the
// tools' formats. Then the two promises on any input: no error line is
// lost, and the result is never longer than what was read.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "compress/diag.h"

using zub::diag;

namespace {

const std::string kClosing =
    "[zub diag = 요약(원문 ~75% 소실). 개별 에러를 고치려면 `zub trim` 을 써라.]\n";

const std::string kCompilers =
    "In file included from src/app.c:3:\n"
    "src/shapes.h: In function 'area':\n"
    "src/shapes.h:4:40: error: expected ';' before '}' token\n"
    "    4 | int area(struct point p) { return p.x }\n"
    "      |                                        ^\n"
    "      |                                        ;\n"
    "src/app.c: In function 'main':\n"
    "src/app.c:9:16: warning: initialization of 'char *' from 'int' makes pointer from integer "
    "without a cast [-Wint-conversion]\n"
    "    9 |   char *name = 42;\n"
    "      |                ^~\n"
    "src/app.c:12:3: warning: implicit declaration of function 'launch' "
    "[-Wimplicit-function-declaration]\n"
    "src/app.c:14:10: error: 'total' undeclared (first use in this function)\n"
    "src/app.c:14:10: note: each undeclared identifier is reported only once for each function it "
    "appears in\n"
    "src/app.c:20:5: warning: unused variable 'spare' [-Werror,-Wunused-variable]\n"
    "  int spare = 3;\n"
    "      ^\n"
    "src/app.c:30:7: error: no member named 'z' in 'struct point'\n"
    "  p.z = 1;\n"
    "  ~ ^\n"
    "2 warnings and 2 errors generated.\n"
    "src/vec.cpp:8:13:   required from here\n"
    "/usr/include/c++/12/bits/stl_algo.h:1938:50: error: no match for 'operator-'\n"
    "/usr/bin/ld: app.o: in function `main':\n"
    "app.c:(.text+0xa): undefined reference to `helper'\n"
    "collect2: error: ld returned 1 exit status\n"
    "make: *** [Makefile:2: app] Error 1\n";

const std::string kRust =
    "   Compiling stock v0.1.0 (/home/dev/stock)\n"
    "error[E0425]: cannot find value `missing` in this scope\n"
    "  --> src/main.rs:18:20\n"
    "   |\n"
    "18 |     println!(\"{}\", missing);\n"
    "   |                    ^^^^^^^ not found in this scope\n"
    "\n"
    "warning: unused variable: `unused`\n"
    " --> src/main.rs:8:9\n"
    "  |\n"
    "8 |     let unused = 5;\n"
    "  |         ^^^^^^ help: if this is intentional, prefix it with an underscore: `_unused`\n"
    "  |\n"
    "  = note: `#[warn(unused_variables)]` on by default\n"
    "\n"
    "warning: unused variable: `spare`\n"
    " --> src/lib.rs:3:9\n"
    "  |\n"
    "error[E0308]: mismatched types\n"
    "  --> src/main.rs:17:18\n"
    "   |\n"
    "Some errors have detailed explanations: E0308, E0425.\n"
    "For more information about an error, try `rustc --explain E0308`.\n"
    "warning: `stock` (bin \"stock\") generated 2 warnings\n"
    "error: could not compile `stock` (bin \"stock\") due to 2 previous errors; 2 warnings "
    "emitted\n"
    "running 3 tests\n"
    "test tests::parses ... ok\n"
    "test tests::rejects_words ... FAILED\n"
    "---- tests::rejects_words stdout ----\n"
    "thread 'tests::rejects_words' (12500) panicked at src/main.rs:20:9:\n"
    "assertion `left == right` failed\n"
    "stack backtrace:\n"
    "   0: __rustc::rust_begin_unwind\n"
    "             at /rustc/abc/library/std/src/panicking.rs:689:5\n"
    "failures:\n"
    "test result: FAILED. 1 passed; 1 failed; 0 ignored; 0 measured; 0 filtered out; finished in "
    "0.96s\n";

const std::string kGo =
    "# example.com/stock\n"
    "./main.go:5:2: \"os\" imported and not used\n"
    "./main.go:19:28: undefined: missing\n"
    "=== RUN   TestLabel\n"
    "--- PASS: TestLabel (0.00s)\n"
    "=== RUN   TestSum\n"
    "    stock_test.go:13: Sum = 5, want 6\n"
    "--- FAIL: TestSum (0.00s)\n"
    "=== RUN   TestSumEmpty\n"
    "--- FAIL: TestSumEmpty (0.00s)\n"
    "panic: runtime error: index out of range [1] with length 0 [recovered]\n"
    "goroutine 5 [running]:\n"
    "testing.tRunner.func1.2({0x518a00, 0xc00001a060})\n"
    "\t/usr/lib/go-1.19/src/testing/testing.go:1396 +0x24e\n"
    "created by testing.(*T).Run\n"
    "FAIL\texample.com/stock\t0.017s\n"
    "ok  \texample.com/stock/internal\t0.004s\n";

const std::string kPython =
    ".FE.\n"
    "======================================================================\n"
    "ERROR: test_zero (test_inventory.RatioTest.test_zero)\n"
    "----------------------------------------------------------------------\n"
    "Traceback (most recent call last):\n"
    "  File \"/src/test_inventory.py\", line 22, in test_zero\n"
    "    self.assertEqual(ratio(1, 0), 0)\n"
    "                     ^^^^^^^^^^^\n"
    "  File \"/src/inventory.py\", line 7, in ratio\n"
    "    return a / b\n"
    "           ~~^~~\n"
    "ZeroDivisionError: division by zero\n"
    "\n"
    "======================================================================\n"
    "FAIL: test_keeps (test_inventory.RestockTest.test_keeps)\n"
    "----------------------------------------------------------------------\n"
    "Traceback (most recent call last):\n"
    "  File \"/src/test_inventory.py\", line 14, in test_keeps\n"
    "    self.assertEqual(restock({\"a\": 1}, \"a\", 1), {\"a\": 3})\n"
    "AssertionError: {'a': 2} != {'a': 3}\n"
    "\n"
    "----------------------------------------------------------------------\n"
    "Ran 4 tests in 0.019s\n"
    "\n"
    "FAILED (failures=1, errors=1)\n"
    "============================= test session starts ==============================\n"
    "platform linux -- Python 3.11.2, pytest-7.2.1, pluggy-1.0.0\n"
    "rootdir: /src\n"
    "collected 3 items\n"
    "\n"
    "test_inventory.py .FF                                                    [100%]\n"
    "______________________________ test_new_item ______________________________\n"
    "\n"
    "    def test_new_item(self):\n"
    ">       levels[item] = levels[item] + n\n"
    "E       KeyError: 'b'\n"
    "E       \n"
    "E       + {'a': 2, 'c': 6}\n"
    "\n"
    "inventory.py:2: KeyError\n"
    "=========================== short test summary info ============================\n"
    "FAILED test_inventory.py::test_new_item - KeyError: 'b'\n"
    "ERROR test_inventory.py::test_db - fixture 'db' not found\n"
    "========================= 1 failed, 1 error, 2 passed in 0.15s ==========================\n";

const std::string kJsAndCtest =
    "> cart@1.0.0 test\n"
    "> node --test\n"
    "TAP version 13\n"
    "# Subtest: total of empty cart is zero\n"
    "ok 1 - total of empty cart is zero\n"
    "  ---\n"
    "  duration_ms: 1.576845\n"
    "  ...\n"
    "# Subtest: label pluralises\n"
    "not ok 2 - label pluralises\n"
    "  ---\n"
    "  duration_ms: 1.627048\n"
    "  location: '/src/cart.test.js:11:1'\n"
    "  failureType: 'testCodeFailure'\n"
    "  error: |-\n"
    "    Expected values to be strictly equal:\n"
    "    + '2 item'\n"
    "  code: 'ERR_ASSERTION'\n"
    "  name: 'AssertionError'\n"
    "  stack: |-\n"
    "    TestContext.<anonymous> (/src/cart.test.js:12:10)\n"
    "  ...\n"
    "1..2\n"
    "# tests 2\n"
    "# pass 1\n"
    "# fail 1\n"
    "FAIL ./cart.jest.test.js\n"
    "  cart\n"
    "    ✓ total of empty cart is zero (2 ms)\n"
    "    ✕ total multiplies price by quantity (16 ms)\n"
    "  ● cart › total multiplies price by quantity\n"
    "    expect(received).toBe(expected) // Object.is equality\n"
    "    Expected: 7\n"
    "    Received: 6\n"
    "      7 |   test(\"total multiplies price by quantity\", () => {\n"
    "    > 8 |     expect(total([{ price: 2, qty: 3 }])).toBe(7);\n"
    "        |                                           ^\n"
    "      at Object.toBe (cart.jest.test.js:8:43)\n"
    "Tests:       1 failed, 1 passed, 2 total\n"
    "Test project /src/build\n"
    "    Start 1: parses_header\n"
    "1/2 Test #1: parses_header ....................   Passed    0.03 sec\n"
    "    Start 2: rejects_bad_input\n"
    "2/2 Test #2: rejects_bad_input ................***Failed    0.01 sec\n"
    "50% tests passed, 1 tests failed out of 2\n"
    "The following tests FAILED:\n"
    "\t  2 - rejects_bad_input (Failed)\n";

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> out;
  for (size_t pos = 0, eol; pos < s.size(); pos = eol + 1) {
    eol = s.find('\n', pos);
    out.push_back(s.substr(pos, eol - pos));
  }
  return out;
}

bool shown(const std::string& out, const std::string& text) {
  return out.find(text) != std::string::npos;
}

}  // namespace

TEST(DiagToolchains, CompilerLinkerAndMakeErrorsListedWarningsByFlag) {
  // Every line is recognised: includes, function banners, notes, gutters,
  // carets, clang's bare source quotes, closing counts.
  EXPECT_EQ(diag(kCompilers),
            "== 3 diagnostics / 3 distinct rules ==\n"
            "   1x -Wimplicit-function-declaration\n"
            "      src/app.c:12:3: warning: implicit declaration of function 'launch' "
            "[-Wimplicit-function-declaration]\n"
            "   1x -Wint-conversion\n"
            "      src/app.c:9:16: warning: initialization of 'char *' from 'int' makes pointer "
            "from integer without a cast [-Wint-conversion]\n"
            "   1x -Wunused-variable\n"
            "      src/app.c:20:5: warning: unused variable 'spare' [-Werror,-Wunused-variable]\n"
            "== 6 error lines ==\n"
            "  src/shapes.h:4:40: error: expected ';' before '}' token\n"
            "  src/app.c:14:10: error: 'total' undeclared (first use in this function)\n"
            "  src/app.c:30:7: error: no member named 'z' in 'struct point'\n"
            // The template's error names the caller's line too.
            "  /usr/include/c++/12/bits/stl_algo.h:1938:50: error: no match for 'operator-' "
            "(required from src/vec.cpp:8:13)\n"
            "  app.c:(.text+0xa): undefined reference to `helper'\n"
            "  collect2: error: ld returned 1 exit status\n"
            "  \xE2\x80\xA6 +1 make \"***\" lines naming the failed targets (rerun raw for full "
            "list)\n" +
                kClosing);
}

TEST(DiagToolchains, BuildLogsFoldToTheirErrors) {
  // A cmake build under make: progress counted, the echoes of the failed
  // targets counted under the error, paths under the working directory
  // shown relative to it (others, and a prefix inside a word, untouched).
  const std::string build =
      "[  7%] Built target gtest\n"
      "[ 28%] Building CXX object s/CMakeFiles/t.dir/a.cc.o\n"
      "make[2]: Entering directory '/w/src/lib'\n"
      "b.c:7:1: error: expected ';'\n"
      "make[2]: Leaving directory '/w/src/lib'\n"
      "/w/src/a.cc:42:29: error: 'length' was not declared in this scope\n"
      "   42 |   memcpy(c, s, length + 1);\n"
      "make[2]: *** [s/CMakeFiles/t.dir/build.make:90: s/CMakeFiles/t.dir/a.cc.o] Error 1\n"
      "make[2]: Target 's/CMakeFiles/t.dir/build' not remade because of errors.\n"
      "[3/40] Linking CXX executable t\n"
      "/usr/include/x.h:3:1: error: in /w/src\n"
      "make: *** [Makefile:146: all] Error 2\n";
  EXPECT_EQ(diag(build, "/w/src"),
            "== 3 error lines ==\n"
            // A relative place is from the directory make entered.
            "  lib/b.c:7:1: error: expected ';'\n"
            "  a.cc:42:29: error: 'length' was not declared in this scope\n"
            "  /usr/include/x.h:3:1: error: in /w/src\n"
            "  \xE2\x80\xA6 +2 make \"***\" lines naming the failed targets (rerun raw for full "
            "list)\n"
            "== 6 build progress lines (suppressed) ==\n" +
                kClosing);
  // docker build: a step's output without BuildKit's "#6 0.613 " prefix
  // (its error located under the directory make entered), BuildKit's own
  // lines and apt's progress counted, its closing quote of the failed step
  // not listed again, its ERROR lines errors.
  std::string docker =
      "#1 [internal] load build definition from Dockerfile\n#1 DONE 0.0s\n"
      "#6 [3/3] RUN apt-get install -y libz && make -C /w/src\n";
  for (int i = 1; i <= 12; ++i)
    docker += "#6 1." + std::to_string(i) + "00 Get:" + std::to_string(i) +
              " http://deb.debian.org/debian bookworm/main amd64 lib" + std::to_string(i) + "\n";
  docker +=
      "#6 3.100 Setting up libz (1.2) ...\n"
      "#6 3.512 make: Entering directory '/w/src'\n"
      "#6 3.613 main.c:3:5: error: 'x' undeclared\n"
      "#6 3.700 make: *** [Makefile:2: all] Error 1\n"
      "#6 ERROR: process \"/bin/sh -c make\" did not complete successfully: exit code: 2\n"
      "------\n > [3/3] RUN apt-get install -y libz && make -C /w/src:\n"
      "3.613 main.c:3:5: error: 'x' undeclared\n------\n"
      "ERROR: failed to solve: process \"/bin/sh -c make\" did not complete successfully\n";
  EXPECT_EQ(diag(docker, "/w/src"),
            "== 3 error lines ==\n"
            "  main.c:3:5: error: 'x' undeclared\n"
            "  ERROR: process \"/bin/sh -c make\" did not complete successfully: exit code: 2\n"
            "  ERROR: failed to solve: process \"/bin/sh -c make\" did not complete successfully\n"
            "  \xE2\x80\xA6 +1 make \"***\" lines naming the failed targets (rerun raw for full "
            "list)\n"
            "== 21 build progress lines (suppressed) ==\n" +
                kClosing);
  // Echoes alone are the errors; one exception raised by several tests is
  // one line with its count; unittest's diff under a failing test's
  // exception is that test's, not unrecognised.
  std::string alone = "make: *** [Makefile:3: gen] Error 127\n";
  for (int i = 0; i < 20; ++i)
    alone += "[ 50%] Built target library_number_" + std::to_string(i) + "\n";
  EXPECT_EQ(diag(alone),
            "== 1 error lines ==\n  make: *** [Makefile:3: gen] Error 127\n"
            "== 20 build progress lines (suppressed) ==\n" +
                kClosing);
  std::string unittest;
  for (const char* t : {"test_a", "test_b", "test_c"})
    unittest += std::string("======\nERROR: ") + t + " (m.T." + t +
                ")\n------\nTraceback (most recent call last):\n  File \"/w/m.py\", line 9, in " +
                t +
                "\n    f()\n  File \"/w/f.py\", line 3, in f\n    g(1)\nTypeError: g() takes 0\n\n";
  unittest +=
      "======\nFAIL: test_d (m.T.test_d)\n------\nTraceback (most recent call last):\n"
      "  File \"/w/m.py\", line 20, in test_d\n    self.assertEqual(a, b)\n"
      "AssertionError: 'x' != 'y'\n- x\n+ y\n\n------\nRan 9 tests in 0.01s\n\n"
      "FAILED (failures=1, errors=3)\n";
  const std::string u = diag(unittest, "/w");
  EXPECT_NE(u.find("== 4 error lines ==\n  f.py:3: TypeError: g() takes 0 (\xC3\x97"
                   "3)\n"
                   "  m.py:20: AssertionError: 'x' != 'y'\n== 4 failure lines ==\n"
                   "  ERROR: m.T.test_a at m.py:9\n"),
            std::string::npos)
      << u;
  EXPECT_EQ(u.find("unrecognized"), std::string::npos) << u;
}

TEST(DiagToolchains, MavenAndGradleBuilds) {
  // A red Maven build was refused as no compiler output: its javac errors
  // carry their place in brackets and their symbol on the lines under them,
  // [INFO] is progress, and its advice on rerunning is left out.
  std::string mvn;
  for (int i = 0; i < 12; ++i) mvn += "[INFO] Compiling module " + std::to_string(i) + "\n";
  mvn +=
      "[ERROR] COMPILATION ERROR : \n"
      "[ERROR] /w/src/App.java:[12,9] cannot find symbol\n"
      "  symbol:   variable foo\n"
      "  location: class App\n"
      "[WARNING] /w/src/Old.java:[3,1] deprecated API\n"
      "[ERROR] Failed to execute goal compile on project demo: Compilation failure\n"
      "[ERROR] /w/src/App.java:[12,9] cannot find symbol\n"
      "[ERROR]   symbol:   variable foo\n"
      "[ERROR]   location: class App\n"
      "[ERROR] -> [Help 1]\n"
      "[ERROR] Re-run Maven using the -X switch to enable full debug logging.\n";
  EXPECT_EQ(diag(mvn, "/w"),
            "== 1 diagnostics / 1 distinct rules ==\n"
            "   1x (no-rule-id) warning\n"
            "      src/Old.java:3:1: warning: deprecated API\n"
            "== 3 error lines ==\n"
            "  src/App.java:12:9: error: cannot find symbol (symbol:   variable foo) (location: "
            "class App) (\xC3\x97"
            "2)\n"
            "  Failed to execute goal compile on project demo: Compilation failure\n"
            "== 12 build progress lines (suppressed) ==\n" +
                kClosing);
  // Surefire: the failing test with its exception and its own frame's
  // place, the module's count, the closing list not repeated.
  std::string sure =
      "[INFO] Running x.AppTest\n"
      "[ERROR] Tests run: 3, Failures: 1, Errors: 0, Skipped: 0, Time elapsed: 0.05 s <<< "
      "FAILURE! - in x.AppTest\n"
      "[ERROR] testAdd(x.AppTest)  Time elapsed: 0.01 s  <<< FAILURE!\n"
      "java.lang.AssertionError: expected:<3> but was:<4>\n"
      "\tat org.junit.Assert.fail(Assert.java:89)\n"
      "\tat x.AppTest.testAdd(AppTest.java:15)\n"
      "[ERROR] Failures: \n"
      "[ERROR]   AppTest.testAdd:15 expected:<3> but was:<4>\n"
      "[ERROR] Tests run: 5, Failures: 1, Errors: 0, Skipped: 1\n";
  for (int i = 0; i < 10; ++i) sure += "[INFO] ------------------------------------------\n";
  EXPECT_EQ(diag(sure),
            "== 1 failure lines ==\n"
            "  testAdd(x.AppTest) <<< FAILURE! at AppTest.java:15: java.lang.AssertionError: "
            "expected:<3> but was:<4>\n"
            "== 3 passed (suppressed) ==\n"
            "  Tests run: 5, Failures: 1, Errors: 0, Skipped: 1\n"
            "== 11 build progress lines (suppressed) ==\n" +
                kClosing);
  // Gradle: its tasks are progress, the failed one an error.
  std::string gradle;
  for (int i = 0; i < 20; ++i) gradle += "> Task :lib:compile" + std::to_string(i) + "\n";
  gradle += "> Task :app:compileJava FAILED\n/w/A.java:3: error: ';' expected\n";
  EXPECT_NE(diag(gradle).find("== 2 error lines ==\n  > Task :app:compileJava FAILED\n"
                              "  /w/A.java:3: error: ';' expected\n== 20 build progress lines"),
            std::string::npos)
      << diag(gradle);
  // javac itself quotes the source and a caret before the symbol, and
  // closes with its count.
  std::string javac =
      "D.java:2: error: cannot find symbol\n"
      "  static int f(int x) { return y + x; }\n"
      "                               ^\n"
      "  symbol:   variable y\n"
      "  location: class D\n"
      "D.java:3: error: incompatible types: int cannot be converted to String\n"
      "  public static void main(String[] a) { String s = 3; }\n"
      "                                                   ^\n"
      "2 errors\n";
  for (int i = 0; i < 20; ++i) javac = "> Task :lib:compile" + std::to_string(i) + "\n" + javac;
  EXPECT_NE(diag(javac).find("== 2 error lines ==\n"
                             "  D.java:2: error: cannot find symbol (symbol:   variable y) "
                             "(location: class D)\n"
                             "  D.java:3: error: incompatible types: int cannot be converted to "
                             "String\n== 20 build progress lines (suppressed) ==\n[zub diag"),
            std::string::npos)
      << diag(javac);
}

TEST(DiagToolchains, DotnetAndKotlinCompilers) {
  // dotnet build was refused as no compiler output. Its closing summary
  // repeats every diagnostic: said once. tsc's lines of the same shape stay
  // with its own reader.
  const std::string dotnet =
      "  Determining projects to restore...\n"
      "/w/app/Program.cs(12,5): error CS1002: ; expected [/w/app/app.csproj]\n"
      "/w/app/Util.cs(3,17): warning CS0168: The variable 'e' is declared but never used "
      "[/w/app/app.csproj]\n"
      "\n"
      "Build FAILED.\n"
      "\n"
      "/w/app/Util.cs(3,17): warning CS0168: The variable 'e' is declared but never used "
      "[/w/app/app.csproj]\n"
      "/w/app/Program.cs(12,5): error CS1002: ; expected [/w/app/app.csproj]\n"
      "    1 Warning(s)\n"
      "    1 Error(s)\n"
      "\n"
      "Time Elapsed 00:00:01.23\n";
  EXPECT_EQ(diag(dotnet, "/w/app"),
            "== 2 diagnostics / 2 distinct rules ==\n"
            "   1x CS0168\n"
            "      Util.cs:3:17: warning CS0168: The variable 'e' is declared but never used\n"
            "   1x CS1002\n"
            "== 1 error lines ==\n"
            "  Program.cs:12:5: error CS1002: ; expected\n"
            "== 4 build progress lines (suppressed) ==\n" +
                kClosing);
  std::string kotlin =
      "e: file:///w/src/App.kt:12:5 Unresolved reference: foo\n"
      "w: file:///w/src/Util.kt:3:1 Parameter x is never used\n"
      "e: /w/src/Old.kt: (7, 3): Expecting member declaration\n";
  for (int i = 0; i < 20; ++i) kotlin += "> Task :lib:task" + std::to_string(i) + " UP-TO-DATE\n";
  const std::string k = diag(kotlin, "/w");
  EXPECT_NE(k.find("== 2 error lines ==\n  src/App.kt:12:5: error: Unresolved reference: foo\n"
                   "  src/Old.kt:7:3: error: Expecting member declaration\n"),
            std::string::npos)
      << k;
  EXPECT_NE(k.find("      src/Util.kt:3:1: warning: Parameter x is never used\n"),
            std::string::npos)
      << k;
}

TEST(DiagToolchains, RustHeadersTakeTheirPlaceAndPanicsTheirMessage) {
  EXPECT_EQ(diag(kRust),
            "== 4 diagnostics / 3 distinct rules ==\n"
            // One lint over many names is one rule.
            "   2x unused variable: `\u2026`\n"
            "      src/main.rs:8:9: warning: unused variable: `unused`\n"
            "      src/lib.rs:3:9: warning: unused variable: `spare`\n"
            "   1x E0308\n"
            "   1x E0425\n"
            "== 4 error lines ==\n"
            "  src/main.rs:18:20: error[E0425]: cannot find value `missing` in this scope\n"
            "  src/main.rs:17:18: error[E0308]: mismatched types\n"
            "  error: could not compile `stock` (bin \"stock\") due to 2 previous errors; 2 "
            "warnings emitted\n"
            "  thread 'tests::rejects_words' (12500) panicked at src/main.rs:20:9: assertion `left "
            "== right` failed\n"
            // The test takes the place of its panic; its count line is kept.
            "== 1 failure lines ==\n"
            "  test tests::rejects_words ... FAILED at src/main.rs:20:9\n"
            "== 1 passed (suppressed) ==\n"
            "  test result: FAILED. 1 passed; 1 failed; 0 ignored; 0 measured; 0 filtered out; "
            "finished in 0.96s\n" +
                kClosing);
}

TEST(DiagToolchains, GoBuildAndTestOutput) {
  // A bare "FAIL" after the failing tests is not one more failure.
  const std::string out = diag(kGo + "FAIL\n" + std::string(30, '\n'));
  // Go prints no severity word: its located lines are the errors, but for
  // what a test logged, which is that test's message.
  EXPECT_NE(out.find("== 3 error lines ==\n"
                     "  ./main.go:5:2: \"os\" imported and not used\n"
                     "  ./main.go:19:28: undefined: missing\n"
                     "  panic: runtime error: index out of range [1] with length 0 [recovered]\n"
                     "== 3 failure lines ==\n"
                     // -v logs the place before the test's result line.
                     "  --- FAIL: TestSum (0.00s) at stock_test.go:13: Sum = 5, want 6\n"
                     "  --- FAIL: TestSumEmpty (0.00s)\n"
                     "  FAIL\texample.com/stock\t0.017s\n"
                     "== 2 passed (suppressed) ==\n"),
            std::string::npos)
      << out;
}

TEST(DiagToolchains, PythonTracebacksAndTestNames) {
  const std::string out = diag(kPython);
  // The exception line takes the place of the traceback's last frame.
  EXPECT_NE(out.find("== 2 error lines ==\n"
                     "  /src/inventory.py:7: ZeroDivisionError: division by zero\n"
                     "  /src/test_inventory.py:14: AssertionError: {'a': 2} != {'a': 3}\n"
                     // A test's place is its own frame, the first one; pytest's
                     // report header folds into its short summary line.
                     "== 4 failure lines ==\n"
                     "  ERROR: test_inventory.RatioTest.test_zero at "
                     "/src/test_inventory.py:22\n"
                     "  FAIL: test_inventory.RestockTest.test_keeps at "
                     "/src/test_inventory.py:14\n"
                     // pytest's "E" line is the test's message, here in its line.
                     "  FAILED test_inventory.py::test_new_item - KeyError: 'b' at inventory.py:2\n"
                     "  ERROR test_inventory.py::test_db - fixture 'db' not found\n"
                     // Passes as both runners count them: 4 ran less 2 for
                     // unittest, 2 passed for pytest.
                     "== 4 passed (suppressed) ==\n"
                     "  Ran 4 tests in 0.019s\n"
                     "  FAILED (failures=1, errors=1)\n"
                     "  ========================= 1 failed, 1 error, 2 passed in 0.15s "
                     "==========================\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("self.assertEqual"), std::string::npos);  // source quotes are left out
}

TEST(DiagToolchains, TapJestAndCtestNameTheirFailingTests) {
  const std::string out = diag(kJsAndCtest);
  EXPECT_NE(out.find("== 4 failure lines ==\n"
                     // TAP's block adds where (its first frame, not the test's
                     // declaration) and why; its YAML keys are no failures.
                     "  not ok 2 - label pluralises at /src/cart.test.js:12:10: Expected values "
                     "to be strictly equal:\n"
                     "  FAIL ./cart.jest.test.js\n"
                     // A test named twice is listed once, by its fuller line.
                     "  \u25cf cart \u203a total multiplies price by quantity at "
                     "cart.jest.test.js:8:43\n"
                     "  2/2 Test #2: rejects_bad_input ................***Failed    0.01 sec\n"
                     "== 3 passed (suppressed) ==\n"
                     "  # tests 2\n"
                     "  # pass 1\n"
                     "  # fail 1\n"
                     "  Tests:       1 failed, 1 passed, 2 total\n"
                     "  50% tests passed, 1 tests failed out of 2\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("AssertionError"), std::string::npos);
  // npm's banner ("> cart@1.0.0 test", "> node --test") is no unknown line.
  EXPECT_EQ(out.find("cart@1.0.0"), std::string::npos) << out;

  // Past 99 tests ctest pads its numbers.
  std::string wide =
      "      Start 100: slow_case\n100/120 Test #100: slow_case ....***Failed    0.01 sec\n";
  for (int i = 1; i <= 40; ++i) {
    const std::string n = std::to_string(i);
    wide += "    Start  " + n + ": case" + n + "\n " + n + "/120 Test   #" + n + ": case" + n +
            " ..................   Passed    0.01 sec\n";
  }
  EXPECT_EQ(diag(wide),
            "== 1 failure lines ==\n  100/120 Test #100: slow_case ....***Failed    0.01 sec\n"
            "== 40 passed (suppressed) ==\n" +
                kClosing);
}

TEST(DiagToolchains, EveryErrorLineIsListedOrCounted) {
  // Error lines of every shape, in a shuffled order among noise that no
  // rule knows, more noise lines than the unrecognised sample holds.
  std::vector<std::string> errors, input;
  for (int i = 0; i < 12; ++i) {
    const std::string n = std::to_string(i + 1);
    errors.push_back("src/f" + n + ".c:" + n + ":3: error: bad thing " + n);
    errors.push_back("error[E0" + n + "]: wrong type " + n);
    errors.push_back("./pkg/g" + n + ".go:" + n + ":1: undefined: v" + n);
    errors.push_back("make[" + n + "]: *** [Makefile:" + n + ": all] Error 2");
    errors.push_back("src/t" + n + ".ts(" + n + ",2): error TS2304: Cannot find name 'x" + n +
                     "'.");
    errors.push_back("ld" + n + ": error: cannot open output file");
    errors.push_back("main.c:(.text+0x" + n + "): undefined reference to `f" + n + "'");
    errors.push_back("ValueError: value " + n);
  }
  std::mt19937 rng(14);
  std::vector<std::string> noise;
  for (int i = 0; i < 60; ++i)
    noise.push_back("progress note " + std::to_string(i) + " of the build");
  input = errors;
  input.insert(input.end(), noise.begin(), noise.end());
  std::shuffle(input.begin(), input.end(), rng);
  std::string in;
  for (const std::string& l : input) in += l + "\n";
  const std::string out = diag(in);
  ASSERT_EQ(out.rfind("== ", 0), 0u) << out;
  // make's echoes of the failed targets are counted under the errors
  // that caused them.
  EXPECT_NE(out.find("== 84 error lines ==\n"), std::string::npos);
  EXPECT_NE(out.find("  \xE2\x80\xA6 +12 make \"***\" lines naming the failed targets"),
            std::string::npos);
  // tsc's lines differ only in the name: one line, each place with its name.
  EXPECT_TRUE(shown(out, "  error TS2304: Cannot find name '\u2026'. (\u00d712) at src/t")) << out;
  for (int i = 0; i < 12; ++i) {
    const std::string n = std::to_string(i + 1);
    EXPECT_TRUE(shown(out, "src/t" + n + ".ts:" + n + ":2 'x" + n + "'")) << out;
  }
  for (const std::string& e : errors) {
    if (e.rfind("make[", 0) == 0 || e.rfind("src/t", 0) == 0) continue;
    EXPECT_TRUE(shown(out, "  " + e + "\n")) << e;
  }

  // One message at 130 places is one line naming all of them; the same
  // line again at one place keeps its text and count.
  std::string many;
  for (int i = 0; i < 130; ++i) many += "a.c:" + std::to_string(i + 1) + ":1: error: e\n";
  for (int i = 0; i < 3; ++i) many += "b.h:2:1: error: f\n";
  std::string places = "a.c:1:1";
  for (int i = 1; i < 130; ++i) places += "," + std::to_string(i + 1) + ":1";
  EXPECT_EQ(diag(many).substr(0, diag(many).find("[zub")),
            "== 133 error lines ==\n  error: e (\u00d7130) at " + places +
                "\n  b.h:2:1: error: f (\u00d73)\n");
  // Past the list's bounds the rest are counted, never silently gone.
  std::string distinct;
  for (int i = 0; i < 2100; ++i)
    distinct += "a.c:" + std::to_string(i + 1) + ":1: error: e" + std::to_string(i) + "\n";
  const std::string capped = diag(distinct);
  EXPECT_NE(capped.find("== 2000 error lines ==\n"), std::string::npos);
  EXPECT_NE(capped.find("  a.c:500:1: error: e499\n  \u2026 +1500 more error lines not shown, "
                        "100 more not kept (rerun raw for full list)\n"),
            std::string::npos);
}

TEST(DiagToolchains, NeverLongerThanItsInput) {
  // Every prefix of every fixture, alone and with padding of each kind the
  // summary drops: the result is the summary when shorter, else the input.
  for (const std::string* fixture : {&kCompilers, &kRust, &kGo, &kPython, &kJsAndCtest}) {
    const std::vector<std::string> lines = lines_of(*fixture);
    std::string prefix;
    for (const std::string& l : lines) {
      prefix += l + "\n";
      for (const std::string& pad :
           {std::string(), std::string("\n\n\n"), std::string(" | x\n") + " | y\n",
            std::string(300, '.') + "\n"}) {
        const std::string in = prefix + pad;
        const std::string out = diag(in);
        if (out.rfind("[zub diag: only ", 0) == 0) continue;  // the refusal note
        EXPECT_LE(out.size(), in.size()) << in;
        if (out.rfind("== ", 0) != 0) {
          EXPECT_EQ(out, in);
        }
      }
    }
  }
  // Escapes and carriage returns are gone from the text given back.
  const std::string coloured = "\x1b[31mx.c:1:1: error: e\x1b[0m\r\nFAIL a\r\n";
  EXPECT_EQ(diag(coloured), "x.c:1:1: error: e\nFAIL a\n");
}
