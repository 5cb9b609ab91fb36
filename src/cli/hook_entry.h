// The entries `zub init` keeps in the agent host's settings: one group with
// the "Bash" matcher whose one hook runs `zub hook`, under PreToolUse and
// under PostToolUse. Finding a registered zub hook (whatever path names the
// program, in any group whose matcher covers Bash), adding the entry,
// pointing it at another program and taking it away again, on a parsed
// settings document; the document's other keys, values and spacing are left
// as they were. Pure.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/json_doc.h"

namespace zub {

enum class HookEvent { kPre, kPost };

inline constexpr HookEvent kHookEvents[] = {HookEvent::kPre, HookEvent::kPost};

// "PreToolUse" or "PostToolUse", the settings key.
std::string_view event_key(HookEvent event);

// True for a command that runs zub's hook: the word "hook" after a program
// named zub, by any path, quoted or not.
bool is_zub_hook_command(std::string_view command);

// True when a group with this matcher runs for the shell tool "Bash": no
// matcher, "" or "*", a list of names ("Edit|Bash") naming it, or a pattern
// that matches the whole name. `matcher` is the member's value, or null
// when the group has none.
bool matcher_covers_bash(const JsonValue* matcher);

// The command of the first zub hook among the event's groups that cover
// Bash; nothing when there is none. A zub hook under a matcher for other
// tools ("Edit|Write") never runs for a shell call, so it does not count.
std::optional<std::string> registered_hook(const JsonDocument& doc, HookEvent event);

// The command of the first event's registered zub hook; nothing when no
// event has one.
std::optional<std::string> any_registered(const JsonDocument& doc);

// Adds the event's group with `command`. Fails with a message (Korean,
// naming the key) when "hooks" is not an object or the event's value not an
// array; then the document is unchanged.
bool add_hook_entry(JsonDocument& doc, HookEvent event, std::string_view command, std::string* why);

// Points every registered zub hook of the event at `command`; false when
// there was none or all already said so.
bool set_hook_command(JsonDocument& doc, HookEvent event, std::string_view command);

// Removes the event's registered zub hooks: a group left with no hooks and
// nothing but its matcher goes, and so do the event's key and "hooks" when
// left empty. False when there was none.
bool remove_hook_entry(JsonDocument& doc, HookEvent event);

// The document a settings text holds; text of JSON white space alone (a
// new or emptied file) holds an empty object and ends with a line feed.
JsonParse parse_settings(std::string_view text);

// The settings text after registering `command` for PreToolUse and, with
// `post`, PostToolUse, as `zub init` does: an event already registered is
// left as it is. Nothing when `before` is not JSON or cannot take it.
std::optional<std::string> text_with_hook(std::string_view before, std::string_view command,
                                          bool post = true);

}  // namespace zub
