#include "compress/diag_families.h"

namespace zub {

namespace {

// The order matters where shapes overlap: a family's row stands before any
// row whose shape would also take its lines.
const DiagFamily* const kFamilies[] = {
    &kDiagTap,        // inside a TAP block every indented line is its own
    &kDiagUnittest,   // the diff under a failing test's exception
    &kDiagGtest,      // "[ RUN      ]", "x.cc:12: Failure" and the lines under it
    &kDiagMake,       // progress and bookkeeping of build tools, make's "***"
    &kDiagMaven,      // "[INFO]", "[ERROR]", Surefire's details
    &kDiagPhpunit,    // "1) Name" and every line under it in a failure list
    &kDiagNodeCrash,  // "/x/a.js:9" over the source, the caret and "TypeError: m"
    &kDiagJest,       // "Tests:" counts, "PASS file"
    &kDiagVitest,     // "Tests  2 failed | 6 passed (8)", banners
    &kDiagPytest,     // "== 4 failed in 0.1s ==", "..F.", "E   ", "__ test_x __"
    &kDiagNode,       // "# pass 2", "test at x.js:8:1", npm's banner
    &kDiagCargo,      // "test result:", "---- name stdout ----"
    &kDiagCtest,      // "50% tests passed, ..."
    &kDiagGo,         // "=== RUN", a failing test's frame, what a test logged
    &kDiagRustc,      // "12 | code" quotes of rustc, tsc, jest; "-->"; ruff's codes
    &kDiagPerl,       // "#   Failed test", "msg at t.pl line 3."
    &kDiagTests,      // a failing or passing test of any runner
    &kDiagDotnet,     // "x.cs(12,5): error CS1002" before the located form
    &kDiagKotlin,     // "e: x.kt:3:1 msg"
    &kDiagCompiler,   // "path:line:col: ...", "error[E0308]: ...", "collect2: error"
    &kDiagPanic,      // "thread 'x' panicked at", "panic: "
    &kDiagShell,      // "Segmentation fault", "x: command not found"
    &kDiagTraceback,  // "File "x.py", line 3", "ValueError: ..."
    &kDiagFrames,     // "at f (x.test.js:8:29)", vitest "❯ x.test.js:9:29"
    &kDiagTsc,        // "error TS2304"
    &kDiagContext,    // carets, banners, counts ("1 error generated." is no table row)
    &kDiagEslint,     // the file line and the rows under it
    &kDiagLoose,      // "FAIL ...", "✘ ...", any other "error:" or "warning:" line
};

}  // namespace

std::span<const DiagFamily* const> diag_families() { return kFamilies; }

}  // namespace zub
