// Paths as the tool prints them. A file name may hold any byte but "/" and
// NUL: a line feed in it would forge a line of a report (a fake header, a
// fake hit), an escape sequence would drive the reader's terminal. Pure
// functions.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// `path` with each invalid UTF-8 sequence replaced by U+FFFD and each control
// character escaped: "\n", "\r" and "\t" by name, other C0 characters and DEL
// as "\x1b" and the like, C1 characters as "\u009b" and the like. A path
// without either comes back unchanged.
std::string shown_path(std::string_view path);

// Appends shown_path(path) to `out`.
void append_shown_path(std::string& out, std::string_view path);

}  // namespace zub
