// The front end: picks the subcommand, reads its arguments with its option
// table, reads standard input for the filters and returns the process exit
// status.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/output.h"

namespace zub {

// `argv` is the whole argument vector (element 0 is the program path).
int run_cli(const std::vector<std::string>& argv, Output& out);

struct SubcommandName {
  std::string_view name;
  bool hidden;  // left out of the usage text on purpose
};

// Every subcommand the front end runs, in the order of the usage text.
std::vector<SubcommandName> subcommand_names();

}  // namespace zub
