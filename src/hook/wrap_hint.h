// Build, test and lint commands, whose long output `zub wrap` shortens
// most, and the `zub wrap` form of such a command that runs exactly the
// same thing. Pure, thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zub {

// The program word of a build, test or lint command that is not already
// run under zub; nothing for any other command.
std::optional<std::string_view> build_command_word(std::string_view command);

// `zub wrap --diag -- {command}` when the shell would read the command as plain
// words, else `zub wrap --diag -- sh -c '{command}'` with the command quoted.
std::string wrap_form(std::string_view command);

}  // namespace zub
