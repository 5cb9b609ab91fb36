// Summary of linter, compiler and test-runner output: every error line
// whole, each failing test once with the place where it failed, which
// rules fire how often with two examples of each warning, the number of
// passes with the runners' own count lines, and a sample of unclassified
// lines. A summary that would not be shorter than its input is
// replaced by the input without escapes. Input that does not look like such
// output, with no error or failing test in it, is refused with a note.
// The lines are read by one row per tool family (diag_families.h).
// Pure functions; thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/output.h"

namespace zub {

// How a refusal's text begins: the input has too few lines of any known shape.
inline constexpr std::string_view kDiagRefusalHead = "[zub diag: only ";

struct DiagSummary {
  enum class Kind {
    kSummary,       // `text` is the summary
    kWhole,         // a summary would not be shorter: `text` is the input without escapes
    kRefused,       // not a build, lint or test log: `text` is the refusal note
    kRefusedWhole,  // refused, and the note would not be shorter than the input itself
  };
  Kind kind = Kind::kRefused;
  std::string text;
  uint64_t errors = 0;    // error lines found (make's echoes of failed recipes included)
  uint64_t failures = 0;  // failing tests found
};

// Summarises `input` (any size). Pure; memory beyond the input grows with
// the number of distinct rules, not with the input's length. Paths under
// the directory `here` (absolute; empty for none) are shown relative to it.
DiagSummary diag_summary(std::string_view input, std::string_view here = {});

// The text of diag_summary.
std::string diag(std::string_view input, std::string_view here = {});

int cmd_diag(std::string_view input, Output& out);

}  // namespace zub
