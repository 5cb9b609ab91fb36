// Every read of the process environment: switches, numbers, raw values,
// the temporary directory and the state home. A switch counts as set when
// the variable exists with a UTF-8 value, the empty string included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zub {

bool env_switch_set(const char* name);

// The variable's value as it is, whatever its encoding; nothing when unset.
std::optional<std::string_view> env_text(const char* name);

// True when the variable exists at all, with any value.
bool env_present(const char* name);

// The variable read as a number (the number-argument rule); nothing when it
// is unset, not UTF-8 or does not parse.
std::optional<uint64_t> env_number(const char* name);

// Text that stands in for such a variable (a flag's value) read by the same
// rule: nothing when it is not UTF-8 or does not parse.
std::optional<uint64_t> setting_number(std::string_view text);

// Most bytes a filter keeps of its standard input, and `wrap` of its
// command's output (head and tail, see base/head_tail.h): ZUB_FILTER_MAX
// when it parses, else 256 MiB. The largest value is no cap.
inline constexpr uint64_t kDefaultFilterInputCap = uint64_t{256} << 20;
uint64_t filter_input_cap();

// How many characters of a shell result the agent host shows inline before
// it cuts: ZUB_HOST_INLINE_CHARS when it parses, else 30,000, within the
// host's own clamp of 4,000 to 128,000. Output meant to be read whole is
// bounded by it.
inline constexpr uint64_t kHostInlineChars = 30000;
uint64_t host_inline_chars();

// Most bytes of a hook event: a PostToolUse event carries the whole output
// of a shell call; more is left as it is.
inline constexpr uint64_t kHookInputCap = uint64_t{64} << 20;

// The process's working directory; empty when it cannot be told (removed,
// or a path too long).
std::string working_dir();

// TMPDIR, or "/tmp" when it is unset or empty.
std::string temp_dir();

// Where per-user state lives: XDG_STATE_HOME when it is an absolute path,
// else HOME (when absolute) followed by "/.local/state"; empty when neither
// gives a place.
std::string state_home();

}  // namespace zub
