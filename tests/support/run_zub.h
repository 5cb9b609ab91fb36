// End-to-end helpers: run the built binary. Each run starts apart from
// the caller: without any ZUB_* variable, even one the test set in its own
// process, and with HOME, XDG_STATE_HOME and TMPDIR in the test process's
// private directories (support/test_env.h) unless the test sets or unsets
// them itself. A test opts back in through env_set. (Nearly every such
// test also wants a scratch directory, hence temp_dir.h here.)
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/process.h"
#include "support/temp_dir.h"

namespace zub_test {

struct Run {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128+signal
};

struct RunOptions {
  std::string stdin_data;
  bool has_stdin = false;            // false: standard input is /dev/null
  std::vector<std::string> env_set;  // "NAME=value"
  std::vector<std::string> env_unset;
  std::string cwd;  // empty: the test's own
};

// The process options of such a run: `opts`' input and environment on top
// of the isolation above (for helpers that start zub another way).
zub::ProcessOptions zub_process_options(const RunOptions& opts);

// Runs the zub binary with `args` (without the program name).
Run run_zub(const std::vector<std::string>& args, const RunOptions& opts = {});
Run run_zub_stdin(const std::vector<std::string>& args, const std::string& input);

// The path of the kept raw output that zub's note on standard error names;
// empty when there is none.
std::string kept_path(const std::string& err);

}  // namespace zub_test
