// End-to-end helpers: run the built binary. (Nearly every such test also
// wants a scratch directory, hence temp_dir.h here.)
#pragma once

#include <string>
#include <utility>
#include <vector>

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

// Runs the zub binary with `args` (without the program name).
Run run_zub(const std::vector<std::string>& args, const RunOptions& opts = {});
Run run_zub_stdin(const std::vector<std::string>& args, const std::string& input);

}  // namespace zub_test
