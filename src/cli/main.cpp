#include <string>
#include <vector>

#include "base/output.h"
#include "base/process.h"
#include "cli/frontend.h"

int main(int argc, char** argv) {
  zub::prepare_standard_streams();
  std::vector<std::string> args(argv, argv + argc);
  zub::Output out;
  return zub::finish_after_children(zub::run_cli(args, out));
}
