// Environment switches and the temporary directory. A switch counts as set
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

}  // namespace zub
