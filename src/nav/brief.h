// One-call repository snapshot: git branch, uncommitted changes, recent
// commits, the file distribution and the visible top-level entries.
// `git` runs as a child process whose output is captured and never shown,
// with every setting through which a repository could make it run a program
// turned off; a missing `git` or a directory outside any repository only
// leaves the git sections out. Thread-safe: calls share no state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

// Rows of the file distribution when no -n is given.
constexpr uint64_t kBriefMapRows = 12;

struct BriefOptions {
  std::vector<std::string> roots;  // none: "."
  uint64_t rows = kBriefMapRows;
};

// For each root: "zub: {root}: {error}" on standard error when its status
// cannot be read, else its snapshot. Returns 2 when a root failed, else 0.
int cmd_brief(const BriefOptions& opts, Output& out);

}  // namespace zub
