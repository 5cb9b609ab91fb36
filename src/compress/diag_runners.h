// diag's recognisers for test runners' own lines (jest, vitest, node
// --test, pytest, unittest, go test, cargo test, ctest, GoogleTest, TAP from prove):
// the closing count lines that say how many passed, the headers and frames
// that say where a failing test failed, and the name under which a runner
// mentions one failing test more than once. Each looks at one line;
// Verdict as in diag_state.h. Single-threaded.
#pragma once

#include <string>
#include <string_view>

#include "compress/diag_state.h"

namespace zub {

// The name of the test a failing-test line names, as the runner's other
// lines about the same test give it ("math › adds" and "✕ adds (2 ms)"
// both give "adds"); `full` when the line also names its suite or file.
// Empty when the line names no single test ("FAIL pkg 0.01s").
std::string failing_test_key(std::string_view t, bool& full);

// "Tests: 2 failed, 6 passed, 8 total", "== 4 failed, 2 passed in 0.19s
// ==", "Ran 7 tests", "FAILED (failures=2)", "# pass 2", "test result:
// ...", "50% tests passed, ...", "Files=1, Tests=5", "Failed 2/5 subtests".
Verdict runner_summary(DiagState& st, const Line& l);

// PHPUnit and RSpec: "1) Name" under "There were N failures:" or
// "Failures:", its message and the test file's place; their counts and
// progress lines.
Verdict numbered_failures(DiagState& st, const Line& l);

// MSBuild/dotnet's "x.cs(12,5): error CS1002: msg [x.csproj]" lines (not
// repeated from its closing summary), its counts; kotlinc's "e:"/"w:".
Verdict dotnet_kotlin_lines(DiagState& st, const Line& l);

// Maven: "[INFO]" progress, "[ERROR]"/"[WARNING]" lines with javac's
// "x.java:[12,9]" place, Surefire's failing tests and counts; Gradle's
// "> Task :x:y" progress.
Verdict maven_lines(DiagState& st, const Line& l);

// GoogleTest: "[ RUN      ] A.b" opens a test, "x.cc:12: Failure" is where
// it failed and the lines under it what failed, "[  FAILED  ] A.b (3 ms)"
// names it, the closing list names it again; "[       OK ]" is a pass and
// "[==========] 6 tests ... ran.", "[  PASSED  ] 4 tests." and
// "[  FAILED  ] 2 tests, listed below:" are the counts.
Verdict gtest_lines(DiagState& st, const Line& l);

// pytest's "_____ Class.test_name _____" over a failing test's report.
Verdict pytest_header(DiagState& st, const Line& l);

// go test: "=== RUN" starts a test; the frame of a failing test in a
// panic's trace and the place under it.
Verdict go_test_lines(DiagState& st, const Line& l);

// go test: an indented "x_test.go:12: msg" a test logged (t.Errorf, t.Log),
// the failing test's message rather than an error of its own.
Verdict go_test_log(DiagState& st, const Line& l);

// node --test's "test at x.test.js:8:1" above a repeated failing test;
// cargo test's "---- name stdout ----" over a failing test's output; a
// failing test's name alone on its line (cargo's closing list).
Verdict failing_test_again(DiagState& st, const Line& l);

// Banners and rules of runners that say nothing a summary needs (vitest's
// "RUN v4", "Duration", prove's "Dubious, test returned 3").
Verdict runner_banner(DiagState& st, const Line& l);

// Test::More's "#   Failed test 'name'" and "#   at t/x.t line 8.".
Verdict perl_test_comment(DiagState& st, const Line& l);

// Perl's die, warn and compile errors: "msg at t.pl line 3." listed as
// "t.pl:3: msg", the warnings of `use warnings` counted by rule, Carp's
// "called at" frames and "Execution of t.pl aborted" known.
Verdict perl_message(DiagState& st, const Line& l);

// C's "prog: file.c:14: main: Assertion `x' failed.".
Verdict assertion_failed(DiagState& st, const Line& l);

// A stack frame ("at f (x.test.js:8:29)") or vitest's "❯ x.test.js:9:29"
// under a failing test: its place, the first outside the runtime.
Verdict test_frame(DiagState& st, const Line& l);

}  // namespace zub
