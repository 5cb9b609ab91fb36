// Runs a command through `sh`, captures everything it prints, compresses
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
};

// One shell command line that runs `words` as a single command, each word
// single-quoted so it reaches the command byte for byte, with standard
// error joined to standard output: make it's -> 'make' 'it'\''s' 2>&1
std::string shell_command_line(const std::vector<std::string>& words);

// Applies the mode's filter to a decoded capture (trim at `width`, logs
// with its default limit, diag, or unchanged).
std::string compress_capture(std::string_view text, WrapMode mode, uint64_t width);

// Runs the command with standard input empty and prints the compressed
// capture; returns the command's exit status (1 after a signal, 2 without
// a command, 127 when the shell cannot start) and the bytes it printed.
Outcome cmd_wrap(const WrapOptions& opts, Output& out);

}  // namespace zub
