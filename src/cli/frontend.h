// The front end: picks the subcommand, pre-parses its arguments, reads
// standard input for the filters and returns the process exit status.
#pragma once

#include <string>
#include <vector>

#include "base/output.h"

namespace zub {

// `argv` is the whole argument vector (element 0 is the program path).
int run_cli(const std::vector<std::string>& argv, Output& out);

}  // namespace zub
