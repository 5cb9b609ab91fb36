// Runs a child program from an argument vector, feeds or closes its standard
// input, captures standard output and standard error concurrently (so a
// child that fills both pipes never deadlocks) and waits for it. Every
// child process of the tool (curl, git, sh, docker) goes through here.
// Thread-safe: each call owns its pipes and child.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zub {

struct ProcessOptions {
  // Bytes for the child's standard input; without them the child reads an
  // immediate end of file from /dev/null.
  std::optional<std::string> stdin_data;
  // Extra environment entries ("NAME=value"); they replace same-named ones.
  std::vector<std::string> env_set;
  // Names removed from the child's environment.
  std::vector<std::string> env_unset;
  // Merge standard error into standard output (one pipe, interleaved).
  bool merge_stderr = false;
  // When set: once the child itself has ended, its pipes are read for at
  // most this many more milliseconds. A background process that the child
  // left behind holding the pipes open then cannot keep the caller waiting
  // for as long as it lives; unset, reading goes on until every writer is
  // gone.
  std::optional<int> read_after_exit_ms;
  // When set: a child whose standard output grows beyond this many bytes is
  // killed (SIGKILL); `out` keeps the first max_out bytes and
  // `out_truncated` is set.
  std::optional<size_t> max_out;
  // Descriptors the child inherits at the same numbers, whatever their
  // close-on-exec flag in the caller (which stays as it was). The caller
  // keeps and closes its own copies.
  std::vector<int> pass_fds;
};

struct ProcessResult {
  bool started = false;   // false: the program could not be started
  int start_error = 0;    // errno when !started
  bool exited = false;    // true: ended normally with exit_code
  int exit_code = 0;
  int signal = 0;         // when !exited: the terminating signal
  bool out_truncated = false;  // max_out was exceeded and the child killed
  std::string out;
  std::string err;
};

// argv[0] is looked up on PATH when it has no slash.
ProcessResult run_process(const std::vector<std::string>& argv,
                          const ProcessOptions& opts = {});

}  // namespace zub
