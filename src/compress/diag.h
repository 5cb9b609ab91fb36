// Summary of linter, compiler and test-runner output by rule: how many
// diagnostics, which rules fire how often with two examples each, the
// failing test lines, the number of passes and a sample of unclassified
// lines. Input that does not look like such output is refused with a note.
// Pure functions; thread-safe.
#pragma once

#include <string>
#include <string_view>

#include "base/output.h"

namespace zub {

// Summarises `input` (any size). Pure; memory beyond the input grows with
// the number of distinct rules, not with the input's length.
std::string diag(std::string_view input);

int cmd_diag(std::string_view input, Output& out);

}  // namespace zub
