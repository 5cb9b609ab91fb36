// Environment switches, the temporary directory and the state home. A switch counts as set
// when the variable exists with a UTF-8 value, the empty string included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zub {

bool env_switch_set(const char* name);

// The variable read as a number (the number-argument rule); nothing when it
// is unset, not UTF-8 or does not parse.
std::optional<uint64_t> env_number(const char* name);

// TMPDIR, or "/tmp" when it is unset or empty.
std::string temp_dir();

// Where per-user state lives: XDG_STATE_HOME when it is an absolute path,
// else HOME (when absolute) followed by "/.local/state"; empty when neither
// gives a place.
std::string state_home();

}  // namespace zub
