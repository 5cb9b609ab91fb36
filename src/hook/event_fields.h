// Reads string fields out of the agent host's hook event JSON by name,
// wherever they are nested. Deliberately not a JSON parser: the host adds
// fields over time, and only three string values matter, so a forgiving
// scan that never fails is all the hook needs. Pure, thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zub {

// The string value of the first occurrence of "name" (in double quotes)
// that is followed, after the next ":" and white space, by a string.
// "\n", "\r", "\t" are decoded; a backslash before any other character
// yields that character. Nothing when no occurrence has a string value.
std::optional<std::string> event_field(std::string_view json, std::string_view name);

}  // namespace zub
