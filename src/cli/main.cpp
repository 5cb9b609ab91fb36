#include <string>
#include <vector>

#include "base/output.h"
#include "cli/frontend.h"

int main(int argc, char** argv) {
  zub::install_pipe_handling();
  std::vector<std::string> args(argv, argv + argc);
  zub::Output out;
  return zub::run_cli(args, out);
}
