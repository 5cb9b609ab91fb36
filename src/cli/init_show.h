// `zub init --show`: for the user's and the repository's settings, whether
// zub's hook is registered for each event and with which command, whether
// CLAUDE.md holds zub's note, and whether the program the hook calls is
// there and is the zub on PATH, with the command that mends it when it is
// not. Reads only.
#pragma once

#include "base/output.h"

namespace zub {

// Prints the report; 1 when a settings file cannot be read as JSON or a
// registered hook's program cannot be found, else 0.
int show_init(Output& out);

}  // namespace zub
