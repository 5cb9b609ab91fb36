// The registry of the languages whose code structure zub reads, internal to
// src/code/: for each, its file extensions and the two functions that read
// its lines, kept in a file of their own (lang_c.cpp, lang_go.cpp, ...).
// Adding a language is a SourceLang value, one such file and one row of the
// table in languages.cpp.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "code/declaration.h"
#include "code/source_scope.h"

namespace zub::code {

// What the name of `len` bytes at byte `col` of line `i` is, in `scope`:
// the scope of the line, or that of a "{" earlier on it, in which case the
// text before the name starts at byte `from` (after that brace).
using HeadFn = Head (*)(const SourceText& src, size_t i, size_t col, size_t len, Scope scope,
                        size_t from);

// True when line `i` (live, and not inside a head already begun) declares
// something worth listing.
using OutlineFn = bool (*)(const SourceText& src, size_t i);

// The scope of every line, for languages whose blocks are not braces (or
// whose text needs a lexer of its own); nullptr means the brace scan of
// source_scope.cpp.
using ScanFn = std::vector<LineScope> (*)(const std::vector<std::string_view>& lines);

struct Language {
  SourceLang lang;
  std::string_view extensions;  // lower case, separated by spaces
  HeadFn head;
  OutlineFn outline;
  ScanFn scan;
};

// The row of `lang`; nullptr for SourceLang::Other.
const Language* language_of(SourceLang lang);

// The language of a file extension in lower case; Other when no row lists it.
SourceLang language_of_extension(std::string_view ext);

Head c_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool c_outline(const SourceText& src, size_t i);
Head java_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool java_outline(const SourceText& src, size_t i);
Head js_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool js_outline(const SourceText& src, size_t i);
Head go_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool go_outline(const SourceText& src, size_t i);
Head python_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool python_outline(const SourceText& src, size_t i);
Head rust_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool rust_outline(const SourceText& src, size_t i);
Head kotlin_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool kotlin_outline(const SourceText& src, size_t i);
Head ruby_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool ruby_outline(const SourceText& src, size_t i);
std::vector<LineScope> ruby_scan(const std::vector<std::string_view>& lines);
Head lua_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool lua_outline(const SourceText& src, size_t i);
std::vector<LineScope> lua_scan(const std::vector<std::string_view>& lines);
Head shell_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool shell_outline(const SourceText& src, size_t i);
std::vector<LineScope> shell_scan(const std::vector<std::string_view>& lines);
Head php_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool php_outline(const SourceText& src, size_t i);

}  // namespace zub::code
