#include "cli/hook_entry.h"

#include <algorithm>
#include <vector>

#include "base/ascii.h"
#include "base/unicode.h"
#include "re/compile.h"
#include "re/matcher.h"

namespace zub {

namespace {

bool runs_zub_hook(const JsonValue& hook) {
  const JsonValue* command = member(hook, "command");
  if (!command) return false;
  std::optional<std::string> text = json_text(*command);
  return text && is_zub_hook_command(*text);
}

// The hook lists of the event's groups that run for Bash; empty when the
// event has none (or is not an array).
template <typename Doc, typename Use>
void for_each_bash_list(Doc& doc, HookEvent event, Use&& use) {
  auto* hooks = member(doc.root, "hooks");
  auto* groups = hooks ? member(*hooks, event_key(event)) : nullptr;
  if (!groups || !groups->is_array()) return;
  for (auto& g : groups->entries) {
    if (!g.value.is_object() || !matcher_covers_bash(member(g.value, "matcher"))) continue;
    auto* list = member(g.value, "hooks");
    if (list && list->is_array()) use(*list);
  }
}

JsonValue hook_group(std::string_view command) {
  JsonValue hook = json_object();
  add_member(hook, "type", json_string("command"));
  add_member(hook, "command", json_string(command));
  JsonValue hooks = json_array();
  add_element(hooks, std::move(hook));
  JsonValue group = json_object();
  add_member(group, "matcher", json_string("Bash"));
  add_member(group, "hooks", std::move(hooks));
  return group;
}

JsonEntry keyed(std::string_view key, JsonValue value) {
  JsonValue holder = json_object();
  add_member(holder, key, std::move(value));
  return std::move(holder.entries[0]);
}

JsonEntry unkeyed(JsonValue value) {
  JsonEntry e;
  e.value = std::move(value);
  return e;
}

// Takes the zub hooks out of one group; true when the group is then
// nothing but a matcher and an empty hook list.
bool strip_group(JsonValue& group, bool& removed) {
  JsonValue* hooks = member(group, "hooks");
  if (!hooks || !hooks->is_array()) return false;
  bool any = false;
  for (size_t k = hooks->entries.size(); k-- > 0;) {
    if (!runs_zub_hook(hooks->entries[k].value)) continue;
    remove_entry(*hooks, k);
    any = true;
  }
  if (!any) return false;
  removed = true;
  if (!hooks->entries.empty()) return false;
  for (const JsonEntry& e : group.entries) {
    std::optional<std::string> key = json_key(e);
    if (key != "hooks" && key != "matcher") return false;
  }
  return true;
}

}  // namespace

std::string_view event_key(HookEvent event) {
  return event == HookEvent::kPre ? "PreToolUse" : "PostToolUse";
}

bool matcher_covers_bash(const JsonValue* matcher) {
  if (!matcher) return true;
  std::optional<std::string> m = json_text(*matcher);
  if (!m) return false;  // not a string: the host would not take it either
  if (m->empty() || *m == "*") return true;
  // Only letters, digits, '_' and '|': a list of exact tool names.
  const bool names =
      std::all_of(m->begin(), m->end(), [](char c) { return is_alnum(c) || c == '_' || c == '|'; });
  if (names) {
    std::string_view rest = *m;
    while (true) {
      const size_t bar = rest.find('|');
      if (rest.substr(0, bar) == "Bash") return true;
      if (bar == std::string_view::npos) return false;
      rest.remove_prefix(bar + 1);
    }
  }
  // Anything else is a pattern over the whole name.
  CompileResult c = compile_pattern("^(" + *m + ")$", false);
  if (!c.ok) return false;
  MatchScratch scratch;
  return occurs(c.pattern, scratch, "Bash");
}

bool is_zub_hook_command(std::string_view command) {
  std::string_view c = trim_ws(command);
  std::vector<std::string_view> words;
  for_each_word(c, [&](std::string_view w) { words.push_back(w); });
  if (words.size() < 2 || words.back() != "hook") return false;
  // The program is everything before the last word: a path with spaces in
  // it only ever arrives quoted.
  std::string_view program = trim_ws(c.substr(0, c.size() - 4));
  if (program.size() >= 2 && (program.front() == '"' || program.front() == '\'') &&
      program.back() == program.front())
    program = program.substr(1, program.size() - 2);
  else if (words.size() != 2)
    return false;
  const size_t slash = program.rfind('/');
  if (slash != std::string_view::npos) program.remove_prefix(slash + 1);
  return program == "zub";
}

std::optional<std::string> registered_hook(const JsonDocument& doc, HookEvent event) {
  std::optional<std::string> found;
  for_each_bash_list(doc, event, [&](const JsonValue& list) {
    for (const JsonEntry& h : list.entries)
      if (!found && runs_zub_hook(h.value)) found = json_text(*member(h.value, "command"));
  });
  return found;
}

std::optional<std::string> any_registered(const JsonDocument& doc) {
  for (HookEvent e : kHookEvents)
    if (std::optional<std::string> cmd = registered_hook(doc, e)) return cmd;
  return std::nullopt;
}

bool add_hook_entry(JsonDocument& doc, HookEvent event, std::string_view command,
                    std::string* why) {
  const std::string_view key = event_key(event);
  if (!doc.root.is_object()) {
    *why = "최상위 값이 객체({ })가 아니다";
    return false;
  }
  const JsonLayout layout = detect_layout(doc);
  JsonValue& root = doc.root;
  std::optional<size_t> h = find_member(root, "hooks");
  if (!h) {
    JsonValue events = json_object();
    JsonValue groups = json_array();
    add_element(groups, hook_group(command));
    add_member(events, key, std::move(groups));
    append_entry(root, keyed("hooks", std::move(events)), "", layout);
    return true;
  }
  JsonValue& hooks = root.entries[*h].value;
  if (!hooks.is_object()) {
    *why = "\"hooks\" 의 값이 객체({ })가 아니다";
    return false;
  }
  const std::string hooks_indent = entry_indent(root.entries[*h], "", layout);
  std::optional<size_t> e = find_member(hooks, key);
  if (!e) {
    JsonValue groups = json_array();
    add_element(groups, hook_group(command));
    append_entry(hooks, keyed(key, std::move(groups)), hooks_indent, layout);
    return true;
  }
  JsonValue& groups = hooks.entries[*e].value;
  if (!groups.is_array()) {
    *why = "\"hooks\".\"" + std::string(key) + "\" 의 값이 배열([ ])이 아니다";
    return false;
  }
  append_entry(groups, unkeyed(hook_group(command)),
               entry_indent(hooks.entries[*e], hooks_indent, layout), layout);
  return true;
}

bool set_hook_command(JsonDocument& doc, HookEvent event, std::string_view command) {
  bool changed = false;
  for_each_bash_list(doc, event, [&](JsonValue& list) {
    for (JsonEntry& h : list.entries) {
      if (!runs_zub_hook(h.value)) continue;
      JsonValue& c = *member(h.value, "command");
      if (json_text(c) == command) continue;
      c = json_string(command);
      changed = true;
    }
  });
  return changed;
}

bool remove_hook_entry(JsonDocument& doc, HookEvent event) {
  JsonValue* hooks = member(doc.root, "hooks");
  if (!hooks || !hooks->is_object()) return false;
  std::optional<size_t> e = find_member(*hooks, event_key(event));
  if (!e || !hooks->entries[*e].value.is_array()) return false;
  JsonValue& groups = hooks->entries[*e].value;
  bool removed = false;
  for (size_t k = groups.entries.size(); k-- > 0;) {
    JsonValue& group = groups.entries[k].value;
    if (!group.is_object() || !matcher_covers_bash(member(group, "matcher"))) continue;
    if (strip_group(group, removed)) remove_entry(groups, k);
  }
  if (!removed) return false;
  if (groups.entries.empty()) remove_entry(*hooks, *e);
  if (hooks->entries.empty()) remove_entry(doc.root, *find_member(doc.root, "hooks"));
  return true;
}

JsonParse parse_settings(std::string_view text) {
  if (!std::all_of(text.begin(), text.end(), is_json_space)) return parse_json(text);
  JsonParse p;
  p.doc.emplace();
  p.doc->root = json_object();
  p.doc->trail.push_back('\n');
  return p;
}

std::optional<std::string> text_with_hook(std::string_view before, std::string_view command,
                                          bool post) {
  JsonParse p = parse_settings(before);
  if (!p.doc) return std::nullopt;
  std::string why;
  for (HookEvent event : kHookEvents) {
    if (event == HookEvent::kPost && !post) continue;
    if (registered_hook(*p.doc, event)) continue;
    if (!add_hook_entry(*p.doc, event, command, &why)) return std::nullopt;
  }
  return write_json(*p.doc);
}

}  // namespace zub
