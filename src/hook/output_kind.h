// What kind of output a shell line prints, told from its commands: the
// PostToolUse hook picks its shortening by it. Each stage of the line (see
// shell_line.h) is looked up in tables of the programs agents run; a stage
// that reads a pipe and only cuts or filters it (`| tail -50`, `| grep x`)
// says nothing of its own. A line that prints a file's contents anywhere
// (`cat`, `sed -n`, `git show REV:PATH`, zub itself) is kContent, whatever
// else it runs: its lines may be edited from. Otherwise the most telling
// kind wins: a build or test run over a diff, logs, a search, an install.
// Pure, thread-safe.
#pragma once

#include <string_view>

namespace zub {

enum class OutputKind {
  kContent,  // file contents, zub's own output: never shortened
  kBuild,    // test, build, type-check and lint runs
  kDiff,     // git log/show/diff, diff -u
  kLogs,     // service and container logs, tail of a .log
  kSearch,   // grep -rn, rg, git grep, ag, ack
  kInstall,  // package installs
  kOther,
};

OutputKind output_kind(std::string_view command_line);

// The kind's name in the hook's notes ("build", "diff", …).
std::string_view output_kind_name(OutputKind kind);

}  // namespace zub
