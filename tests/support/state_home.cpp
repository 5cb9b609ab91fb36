// Every test process, and every zub it starts, keeps its state in a fresh
// directory of its own: the suite never writes into the user's real state
// directory, and the kept raw output and the gain ledger stay switched on
// under test. A test that needs its own state directory sets
// XDG_STATE_HOME for the run it starts.
#include <unistd.h>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "base/dir_tree.h"
#include "base/env.h"

namespace {

struct StateHome {
  std::string path;
  pid_t owner = getpid();  // a forked child that exits must not remove it

  StateHome() {
    path = zub::temp_dir() + "/zubstate-XXXXXX";
    if (!mkdtemp(path.data())) throw std::runtime_error("mkdtemp failed");
    setenv("XDG_STATE_HOME", path.c_str(), 1);
  }
  ~StateHome() {
    if (getpid() == owner) zub::remove_tree(path);
  }
};

const StateHome g_state_home;

}  // namespace
