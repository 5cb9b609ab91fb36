// GNU grep's basic regular expressions read into the tool's own pattern
// language, for patterns given without -E: `\|`, `\(` `\)`, `\+`, `\?` and
// `\{m,n\}` are the operators, and `|`, `(`, `)`, `+`, `?`, `{`, `}` are
// plain characters. Pure functions.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// True when `text` uses one of the backslash operators above, which no one
// types for a literal search.
bool has_bre_operators(std::string_view text);

// True when `text` holds a character that means something else in a basic
// regular expression than in a literal (`.`, `*`, `[`, `^`, `$`, `\`).
bool has_bre_specials(std::string_view text);

// The pattern-language text that means what `bre` means to GNU grep. A `*`
// at the start of an expression or group is a plain star, `^` and `$` are
// anchors only at an end of one; inside brackets a backslash is itself.
// What the language does not support (back-references) is passed on for its
// parser to refuse.
std::string bre_to_pattern(std::string_view bre);

}  // namespace zub
