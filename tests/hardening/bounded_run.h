// Helpers for the hardening tests: run the binary under a hard time limit
// (so a hang fails the test instead of stalling the suite), make sparse and
// special files, and scale heavy inputs down under the sanitizers.
// Thread-safe: every call owns its child process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/run_zub.h"

namespace zub_test {

struct BoundedRun {
  Run run;
  double seconds = 0;      // wall time of the whole run
  bool timed_out = false;  // the limit was reached and the child was killed
};

// Runs zub with `args` under `timeout`: after `limit_s` seconds the process
// group gets SIGTERM, five seconds later SIGKILL. `opts` as for run_zub.
BoundedRun run_bounded(const std::vector<std::string>& args, int limit_s,
                       const RunOptions& opts = {});

// The same, but the command line starts with `prefix` (for example
// setpriv or a shell that sets limits) before the zub binary.
BoundedRun run_bounded_via(const std::vector<std::string>& prefix,
                           const std::vector<std::string>& args, int limit_s,
                           const RunOptions& opts = {});

// Creates (or resizes) `path` to `size` bytes without writing them: a
// sparse file that costs no disk space. `head` is written at offset 0.
void make_sparse_file(const std::string& path, uint64_t size, const std::string& head = "");

// Binds a Unix socket at `path` and closes it again; the socket file stays.
void make_socket_file(const std::string& path);

// True in a sanitizer build, where heavy inputs are scaled down.
constexpr bool kSanitized =
#ifdef ZUB_SANITIZED
    true;
#else
    false;
#endif

}  // namespace zub_test
