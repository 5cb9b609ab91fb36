// Summary of linter, compiler and test-runner output: every error line
// whole, each failing test once with the place where it failed, which
// rules fire how often with two examples of each warning, the number of
// passes with the runners' own count lines, and a sample of unclassified
// lines. A summary that would not be shorter than its input is
// replaced by the input without escapes. Input that does not look like such
// output, with no error or failing test in it, is refused with a note.
// Pure functions; thread-safe.
#pragma once

#include <string>
#include <string_view>

#include "base/output.h"

namespace zub {

// How a refusal begins: the input has too few lines of any known shape.
inline constexpr std::string_view kDiagRefusalHead = "[zub diag: only ";

// Summarises `input` (any size). Pure; memory beyond the input grows with
// the number of distinct rules, not with the input's length. Paths under
// the directory `here` (absolute; empty for none) are shown relative to it.
std::string diag(std::string_view input, std::string_view here = {});

int cmd_diag(std::string_view input, Output& out);

}  // namespace zub
