// The registry of the tool families diag knows, in the order they are
// tried (diag_families.cpp), and their rows, each defined in the family's
// own file (diag_tap.cpp, diag_pytest.cpp, ...). Adding a format is such a
// file and a row placed before any row whose shape would also take its
// lines. Single-threaded use of the states; the rows themselves are
// constant.
#pragma once

#include <span>

#include "compress/diag_family.h"

namespace zub {

// The rows in the order they are tried.
std::span<const DiagFamily* const> diag_families();

extern const DiagFamily kDiagTap;        // TAP: "ok", "not ok", its YAML blocks
extern const DiagFamily kDiagPanic;      // Rust's and Go's panics and their messages
extern const DiagFamily kDiagUnittest;   // Python's unittest: counts, a failure's details
extern const DiagFamily kDiagGtest;      // GoogleTest
extern const DiagFamily kDiagMake;       // make, cmake, ninja, installers: progress, "***"
extern const DiagFamily kDiagMaven;      // Maven, Surefire, Gradle, javac's details
extern const DiagFamily kDiagPhpunit;    // PHPUnit and RSpec's numbered failures
extern const DiagFamily kDiagJest;       // jest's counts and passes
extern const DiagFamily kDiagVitest;     // vitest's counts and banners
extern const DiagFamily kDiagPytest;     // pytest: counts, progress, "E" lines, headers
extern const DiagFamily kDiagNodeCrash;  // node's uncaught exception: "x.js:9", source, error
extern const DiagFamily kDiagNode;       // node --test and npm's banner
extern const DiagFamily kDiagCargo;      // cargo test
extern const DiagFamily kDiagCtest;      // ctest's count
extern const DiagFamily kDiagGo;         // go test
extern const DiagFamily kDiagRustc;      // rustc and ruff: quoted source, "-->", notes
extern const DiagFamily kDiagPerl;       // prove, Test::More, Perl's own messages
extern const DiagFamily kDiagTests;      // a failing or passing test of any runner
extern const DiagFamily kDiagDotnet;     // MSBuild and dotnet
extern const DiagFamily kDiagKotlin;     // the Kotlin compiler
extern const DiagFamily kDiagCompiler;   // "path:line:col: error: ...", linkers, asserts
extern const DiagFamily kDiagShell;      // crashes and the shell's own errors
extern const DiagFamily kDiagTraceback;  // Python's tracebacks, exception lines
extern const DiagFamily kDiagFrames;     // stack frames under a failing test
extern const DiagFamily kDiagTsc;        // TypeScript's compiler
extern const DiagFamily kDiagContext;    // carets, banners, frames: known, worth nothing
extern const DiagFamily kDiagEslint;     // ESLint's stylish table
extern const DiagFamily kDiagLoose;      // any other failure, error or warning line

}  // namespace zub
