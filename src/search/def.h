// `zub def`: where a symbol is defined, each definition printed from its
// line to the end of its block, at most 12 of them. Single-threaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

// The report for `sym` over `roots`; a block reaches at most `n` lines past
// its definition line.
std::string find_definitions(const std::string& sym, const std::vector<std::string>& roots,
                             uint64_t n);

inline constexpr uint64_t kDefDefaultLines = 200;

struct DefOptions {
  std::string symbol;
  std::vector<std::string> roots;
  uint64_t lines = kDefDefaultLines;  // block lines past the definition line
};

// Checks the roots (the first missing one is reported on standard error),
// finds the definitions over all roots and prints the report. Status 2 when
// a root was missing, else 0; no roots print nothing.
int cmd_def(const DefOptions& opts, Output& out);

}  // namespace zub
