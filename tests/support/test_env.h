// The test process's own environment, apart from the caller's. Before any
// test runs, every ZUB_* variable is removed (a switch or a limit exported
// in the developer's shell would otherwise change what the tests see), and
// HOME, XDG_STATE_HOME and TMPDIR point into one fresh directory that goes
// with the process: the fetch cache (under HOME), the kept raw output and
// the gain ledger (under the state home) and the hook's probe files (under
// TMPDIR) of every test land there, never in the user's own. The
// configuration directories of curl and git fall back to that HOME too.
// A test that needs a setting or a directory of its own sets it for the run
// it starts (RunOptions::env_set) or for a scope (ScopedEnv).
#pragma once

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zub_test {

struct TestHome {
  std::string home;   // HOME
  std::string state;  // XDG_STATE_HOME
  std::string tmp;    // TMPDIR (mode 1777, like /tmp)
};

// Rewrites the environment as above for as long as it lives; made once, by
// the test main, before GoogleTest starts.
class IsolatedEnvironment {
 public:
  IsolatedEnvironment();
  IsolatedEnvironment(const IsolatedEnvironment&) = delete;
  IsolatedEnvironment& operator=(const IsolatedEnvironment&) = delete;

 private:
  TempDir root_;
};

// The private directories; all empty before the environment is isolated.
const TestHome& test_home();

// The names of the ZUB_* variables set in this process now.
std::vector<std::string> zub_variable_names();

}  // namespace zub_test
