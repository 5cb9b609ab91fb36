#include "cli/hook_entry.h"

#include <algorithm>
#include <vector>

#include "base/ascii.h"
#include "base/unicode.h"

namespace zub {

namespace {

constexpr std::string_view kEvent = "PreToolUse";

// The member `key` of `object` when it is there (of any kind).
JsonValue* member(JsonValue& object, std::string_view key) {
  std::optional<size_t> k = find_member(object, key);
  return k ? &object.entries[*k].value : nullptr;
}
const JsonValue* member(const JsonValue& object, std::string_view key) {
  std::optional<size_t> k = find_member(object, key);
  return k ? &object.entries[*k].value : nullptr;
}

bool runs_zub_hook(const JsonValue& hook) {
  const JsonValue* command = member(hook, "command");
  if (!command) return false;
  std::optional<std::string> text = json_text(*command);
  return text && is_zub_hook_command(*text);
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

std::optional<std::string> registered_hook(const JsonDocument& doc) {
  const JsonValue* hooks = member(doc.root, "hooks");
  const JsonValue* groups = hooks ? member(*hooks, kEvent) : nullptr;
  if (!groups || !groups->is_array()) return std::nullopt;
  for (const JsonEntry& g : groups->entries) {
    const JsonValue* list = member(g.value, "hooks");
    if (!list || !list->is_array()) continue;
    for (const JsonEntry& h : list->entries)
      if (runs_zub_hook(h.value)) return json_text(*member(h.value, "command"));
  }
  return std::nullopt;
}

bool add_hook_entry(JsonDocument& doc, std::string_view command, std::string* why) {
  if (!doc.root.is_object()) {
    *why = "최상위 값이 객체({ })가 아니다";
    return false;
  }
  const JsonLayout layout = detect_layout(doc);
  JsonValue& root = doc.root;
  std::optional<size_t> h = find_member(root, "hooks");
  if (!h) {
    JsonValue event = json_object();
    JsonValue groups = json_array();
    add_element(groups, hook_group(command));
    add_member(event, kEvent, std::move(groups));
    append_entry(root, keyed("hooks", std::move(event)), "", layout);
    return true;
  }
  JsonValue& hooks = root.entries[*h].value;
  if (!hooks.is_object()) {
    *why = "\"hooks\" 의 값이 객체({ })가 아니다";
    return false;
  }
  const std::string hooks_indent = entry_indent(root.entries[*h], "", layout);
  std::optional<size_t> e = find_member(hooks, kEvent);
  if (!e) {
    JsonValue groups = json_array();
    add_element(groups, hook_group(command));
    append_entry(hooks, keyed(kEvent, std::move(groups)), hooks_indent, layout);
    return true;
  }
  JsonValue& groups = hooks.entries[*e].value;
  if (!groups.is_array()) {
    *why = "\"hooks\".\"PreToolUse\" 의 값이 배열([ ])이 아니다";
    return false;
  }
  append_entry(groups, unkeyed(hook_group(command)),
               entry_indent(hooks.entries[*e], hooks_indent, layout), layout);
  return true;
}

bool remove_hook_entry(JsonDocument& doc) {
  JsonValue* hooks = member(doc.root, "hooks");
  if (!hooks || !hooks->is_object()) return false;
  std::optional<size_t> e = find_member(*hooks, kEvent);
  if (!e || !hooks->entries[*e].value.is_array()) return false;
  JsonValue& groups = hooks->entries[*e].value;
  bool removed = false;
  for (size_t k = groups.entries.size(); k-- > 0;)
    if (strip_group(groups.entries[k].value, removed)) remove_entry(groups, k);
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

std::optional<std::string> text_with_hook(std::string_view before, std::string_view command) {
  JsonParse p = parse_settings(before);
  std::string why;
  if (!p.doc || !add_hook_entry(*p.doc, command, &why)) return std::nullopt;
  return write_json(*p.doc);
}

}  // namespace zub
