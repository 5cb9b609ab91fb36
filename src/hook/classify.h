// Sorts an agent's shell command into the kinds the hook reacts to: a bare
// `sleep` without a loop, a read-only exploration command, or anything else.
// The test is a cheap textual heuristic, biased towards "not read-only"
// (a missed nudge costs nothing; a wrong one misleads the agent).
// Pure, thread-safe.
#pragma once

#include <optional>
#include <string_view>

namespace zub {

// True for a command that waits with `sleep` outside any loop.
bool is_single_sleep(std::string_view command);

// The word that names the program the command runs, after leading spaces
// and "(" , variable assignments and `env`/`export` prefixes are dropped.
// Nothing when no word is left or `env`/`export` has no argument.
std::optional<std::string_view> program_word(std::string_view command);

// True for a command that only looks at things: not blank, no write marker,
// and a read-only program (or `git` with a read-only subcommand word).
bool is_read_only(std::string_view command);

}  // namespace zub
