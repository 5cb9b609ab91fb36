// Runs a child program from an argument vector, feeds or closes its standard
// input, captures standard output and standard error concurrently (so a
// child that fills both pipes never deadlocks) and waits for it. Every
// child process of the tool (curl, git, sh, docker) goes through here.
//
// Each child leads a session and process group of its own, so that what it
// sends to its group (a build's `kill 0` on cleanup) never reaches the tool.
// SIGINT, SIGTERM and SIGHUP sent to the tool while children run are passed
// on to their groups; the tool then finishes with what they printed and
// ends by the same signal (`finish_after_children`). When the tool dies,
// even by SIGKILL, its children's groups are killed: the direct child by
// the kernel's parent-death signal, the rest by a small watcher process
// that outlives the tool only long enough to do it.
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
  // When set: a child still running this many milliseconds after its
  // start has its group killed (SIGKILL), and `timed_out` is set. What it
  // printed until then is kept.
  std::optional<int> time_limit_ms;
  // When set: standard output beyond this many bytes is not kept whole but
  // as its head and its tail (see HeadTail in base/head_tail.h); the child
  // runs to its end.
  std::optional<uint64_t> out_head_tail;
  // Descriptors the child inherits at the same numbers, whatever their
  // close-on-exec flag in the caller (which stays as it was). The caller
  // keeps and closes its own copies.
  std::vector<int> pass_fds;
};

struct ProcessResult {
  bool started = false;  // false: the program could not be started
  int start_error = 0;   // errno when !started
  bool exited = false;   // true: ended normally with exit_code
  int exit_code = 0;
  int signal = 0;              // when !exited: the terminating signal
  bool out_truncated = false;  // max_out was exceeded and the child killed
  bool timed_out = false;      // time_limit_ms ran out and the child was killed
  // With out_head_tail: the bytes of standard output in all, and those
  // between the kept head and tail that were not kept (0 when all were).
  uint64_t out_total = 0;
  uint64_t out_left_out = 0;
  std::string out;
  std::string err;
};

// argv[0] is looked up on PATH when it has no slash. After a termination
// signal has been passed on, no new child is started (start_error EINTR).
ProcessResult run_process(const std::vector<std::string>& argv, const ProcessOptions& opts = {});

// Where execvp looks for `name`, in order: `name` itself when it holds a
// "/", else `name` in each PATH entry (an empty entry is the current
// directory; /bin:/usr/bin when PATH is unset).
std::vector<std::string> exec_candidates(const std::string& name);

// `status`, unless a termination signal was passed on to children during
// the run: then the process ends by that signal now, as it would have
// without children. The front end calls it last, after all output.
int finish_after_children(int status);

}  // namespace zub
