// A JSON document that remembers how it was written. Every value keeps the
// white space around it, and strings and numbers keep their source text,
// so writing an unchanged document gives back its bytes exactly, and an
// edit changes only the bytes it must. For configuration files that people
// also edit by hand. Parsing is strict (RFC 8259: no comments, no trailing
// commas) and reports the line and column of the first fault. Pure
// functions; a document is a plain value.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zub {

struct JsonEntry;

struct JsonValue {
  enum class Kind { kNull, kTrue, kFalse, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  // Scalars: the source text (a string with its quotes and escapes).
  std::string text;
  // Arrays and objects: the entries in order, and the white space before
  // the closing bracket (after the last entry, or all of an empty one).
  std::vector<JsonEntry> entries;
  std::string inner;

  bool is_object() const { return kind == Kind::kObject; }
  bool is_array() const { return kind == Kind::kArray; }
};

// One array element or object member with the white space around it: before
// it (after "[", "{" or ","), and after its value (before the next ",").
// `key` is empty for array elements, else the key's source text.
struct JsonEntry {
  std::string before;
  std::string key;
  std::string before_colon;
  std::string after_colon;
  JsonValue value;
  std::string after;
};

struct JsonDocument {
  std::string lead;  // white space (and a UTF-8 byte order mark) before the value
  JsonValue root;
  std::string trail;  // white space after it
};

struct JsonError {
  size_t line = 0;    // 1-based
  size_t column = 0;  // 1-based, in characters
  std::string reason;
};

struct JsonParse {
  std::optional<JsonDocument> doc;  // set unless the text is not JSON
  JsonError error;
};

// Most levels of nesting a document may have; deeper text is refused.
inline constexpr size_t kMaxJsonDepth = 512;

JsonParse parse_json(std::string_view text);

// The document's text: the parsed bytes, changed only where it was edited.
std::string write_json(const JsonDocument& doc);
std::string write_json(const JsonValue& value);

// The decoded text of a string value or key; nothing for other values.
std::optional<std::string> json_text(const JsonValue& value);
std::optional<std::string> json_key(const JsonEntry& entry);

// The same data: kinds, numbers and literals as written, strings and keys
// decoded, entries in order. White space is not compared.
bool same_json(const JsonValue& a, const JsonValue& b);

// The index of the first member of `object` whose decoded key is `key`.
std::optional<size_t> find_member(const JsonValue& object, std::string_view key);
// The value of that member, or null when there is none.
JsonValue* member(JsonValue& object, std::string_view key);
const JsonValue* member(const JsonValue& object, std::string_view key);

// New values; their white space is set when they are added to a document.
JsonValue json_string(std::string_view decoded);
JsonValue json_object();
JsonValue json_array();
// Adds a member (no check for an existing one) or an element.
void add_member(JsonValue& object, std::string_view key, JsonValue value);
void add_element(JsonValue& array, JsonValue value);

// How added entries are laid out: each on a line of its own, indented by
// `unit` per level, or all on one line with `space` before each entry after
// the first. `colon` follows every ":".
struct JsonLayout {
  bool multiline = true;
  std::string newline = "\n";  // or "\r\n", as the document ends its lines
  std::string unit = "  ";
  std::string space = " ";
  std::string colon = " ";
};

// The layout the document's own text uses (two spaces when it shows none).
JsonLayout detect_layout(const JsonDocument& doc);

// The indentation of the line an entry starts on, given that of its
// container's line.
std::string entry_indent(const JsonEntry& entry, const std::string& container_indent,
                         const JsonLayout& layout);

// Appends `entry` to `container` (which starts a line indented by
// `indent`). The entry's own spacing follows the entry before it; inside
// its value, and in an empty container, `layout` decides. Removing it
// again with remove_entry gives back the container's former text, except
// that a container left empty is written "[]" or "{}".
void append_entry(JsonValue& container, JsonEntry entry, const std::string& indent,
                  const JsonLayout& layout);
void remove_entry(JsonValue& container, size_t index);

}  // namespace zub
