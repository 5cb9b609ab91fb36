// Control characters in text that comes from outside and is printed: page
// text, search result titles and snippets, URLs. Left in, a line feed would
// start a line that reads like one of zub's own, and an escape sequence
// would drive the reader's terminal. Input is UTF-8; pure functions.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// For a text printed on one line: the white-space controls (tab, line
// feed, vertical tab, form feed, carriage return, next line) and the
// Unicode line and paragraph separators become a space; every other C0 or
// C1 control and DEL goes.
std::string one_line_text(std::string_view s);

// For text of many lines: line feeds and tabs stay; every other C0 or C1
// control and DEL goes.
std::string page_text(std::string_view s);
// The same, reusing `s` when it needs no change (no copy of a large page).
std::string take_page_text(std::string&& s);

// A URL for printing: control bytes (C0, DEL and both bytes of a C1
// character) written as %XX, the way they travel in a URL anyway.
std::string printable_url(std::string_view url);

}  // namespace zub
