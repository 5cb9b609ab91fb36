// JSON strings read straight out of a larger JSON text, without building a
// document: for the hook event, curl's header JSON and the metasearch
// answer, where a few string fields are all that is wanted and the rest of
// the text may be anything. One decoding rule for all of them. Pure,
// thread-safe.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zub {

// Decodes the JSON string whose opening quote is at text[open]. The escapes
// \" \\ \/ \b \f \n \r \t and \uXXXX are decoded (a surrogate pair to its
// character, a lone surrogate to U+FFFD); a backslash before any other byte
// yields that byte. Nothing when the closing quote is missing or a \u is
// not followed by four hex digits. When `end` is given and the string is
// whole, *end is set to the position after its closing quote.
std::optional<std::string> json_string_at(std::string_view text, size_t open,
                                          size_t* end = nullptr);

// The position after the closing quote of the string whose opening quote
// is at text[open] (escapes skipped, not checked); npos when it never ends.
size_t json_string_end(std::string_view text, size_t open);

// The position of the value of the first key `"name"` at or after `from`
// (after the ":" and JSON white space), found at any depth; npos when none.
// Only real keys count: quoted text inside a string value is skipped.
size_t json_key_value(std::string_view json, std::string_view name, size_t from = 0);

// The decoded value of the first key `"name"` whose value is a whole
// string; nothing when there is none.
std::optional<std::string> json_string_field(std::string_view json, std::string_view name);

// Appends `text` as a JSON string: in double quotes, with quote, backslash
// and the control characters below U+0020 escaped and every other byte as
// it is (so valid UTF-8 gives a valid string).
void append_json_quoted(std::string& out, std::string_view text);

}  // namespace zub
