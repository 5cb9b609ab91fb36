// Runs a command through `sh` (an argument vector, or one argument that is a
// shell line), captures everything it prints, compresses
// the capture with one of the filters (or leaves it raw) and keeps the
// command's exit status, which a pipe into a filter would lose.
// Thread-safe apart from the child process it starts and waits for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/outcome.h"
#include "base/output.h"

namespace zub {

enum class WrapMode { kTrim, kDiag, kLogs, kRaw };

struct WrapOptions {
  uint64_t width = 200;
  WrapMode mode = WrapMode::kTrim;
  std::vector<std::string> command;
  // -c: command[0] is a shell line whatever it holds, the rest its $0, $1...
  bool shell_line = false;
};

// One shell command line that runs `words` as a single command, each word
// single-quoted so it reaches the command byte for byte, with standard
// error joined to standard output: make it's -> 'make' 'it'\''s' 2>&1
std::string shell_command_line(const std::vector<std::string>& words);

// True when `words` is one argument holding shell syntax (white space, a
// pipe, a redirection, quotes, …): the agent means a shell line, as in
// `zub wrap 'ls /x | head'`, even when a file of that name exists (a
// repository can ship an executable named "make test").
bool is_shell_line(const std::vector<std::string>& words);

// The line `sh -c` runs: the shell line words[0] itself (through eval,
// standard error joined) when `shell_line` (wrap's -c) or is_shell_line,
// else the quoted argument vector.
std::string wrap_command_line(const std::vector<std::string>& words, bool shell_line = false);

// Runs the command with standard input empty and prints the compressed
// capture; returns the command's exit status (1 after a signal, 2 without
// a command, 127 when the shell cannot start) and the bytes it printed.
Outcome cmd_wrap(const WrapOptions& opts, Output& out);

}  // namespace zub
