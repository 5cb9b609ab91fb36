// The entry `zub init` keeps in the agent host's settings: a PreToolUse
// group with the "Bash" matcher whose one hook runs `zub hook`. Finding a
// registered zub hook (whatever path names the program), adding the entry
// and taking it away again, on a parsed settings document; the document's
// other keys, values and spacing are left as they were. Pure.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/json_doc.h"

namespace zub {

// True for a command that runs zub's hook: the word "hook" after a program
// named zub, by any path, quoted or not.
bool is_zub_hook_command(std::string_view command);

// The command of the first zub hook among the PreToolUse groups; nothing
// when there is none.
std::optional<std::string> registered_hook(const JsonDocument& doc);

// Adds the group with `command`. Fails with a message (Korean, naming the
// key) when "hooks" is not an object or its "PreToolUse" not an array; then
// the document is unchanged.
bool add_hook_entry(JsonDocument& doc, std::string_view command, std::string* why);

// Removes every zub hook: a group left with no hooks and nothing but its
// matcher goes, and so do "PreToolUse" and "hooks" when left empty. False
// when there was none.
bool remove_hook_entry(JsonDocument& doc);

// The document a settings text holds; text of JSON white space alone (a
// new or emptied file) holds an empty object and ends with a line feed.
JsonParse parse_settings(std::string_view text);

// The settings text after adding the entry to `before`; nothing when
// `before` is not JSON or cannot take it.
std::optional<std::string> text_with_hook(std::string_view before, std::string_view command);

}  // namespace zub
