// The registry of the languages whose code structure zub reads, internal to
// src/code/: for each, its file extensions and the two functions that read
// its lines, kept in a file of their own (lang_c.cpp, lang_go.cpp, ...).
// Adding a language is a SourceLang value, one such file and one row of the
// table in languages.cpp. Documents and configuration files (Markdown,
// Makefiles, YAML, ...) have rows too: they are also chosen by whole file
// name, and read by a line scan of their own instead of the brace scan.
#pragma once

#include <cstddef>
#include <string>
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

// The text `outline` prints for line `i` when it is not the line as written
// (a title underlined on the next line shows its underline's mark); false
// to print the line.
using LabelFn = bool (*)(const SourceText& src, size_t i, std::string& out);

struct Language {
  SourceLang lang;
  std::string_view extensions;  // lower case, separated by spaces
  HeadFn head;
  OutlineFn outline;
  ScanFn scan;
  // Whole file names in lower case, separated by spaces; one ending in "."
  // also matches that name with any suffix ("dockerfile." for Dockerfile.dev).
  std::string_view names = {};
  LabelFn label = nullptr;
  // A document or configuration kind: its scan marks lines that hold no
  // structure (`dead`: a fenced code block, a recipe, a multi-line string)
  // and its head test sees every occurrence of a name, with no comment or
  // brace filtering in front of it.
  bool document = false;
};

// The row of `lang`; nullptr for SourceLang::Other.
const Language* language_of(SourceLang lang);

// The language of a file extension in lower case; Other when no row lists it.
SourceLang language_of_extension(std::string_view ext);

// The kind of a whole file name in lower case; Other when no row names it.
SourceLang language_of_name(std::string_view name);

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

// Documents and configuration (lang_markdown.cpp, lang_rst.cpp, ...).
std::vector<LineScope> markdown_scopes(const std::vector<std::string_view>& lines);
Head markdown_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t);
bool markdown_outline(const SourceText& src, size_t i);
bool markdown_label(const SourceText& src, size_t i, std::string& out);
std::vector<LineScope> rst_scopes(const std::vector<std::string_view>& lines);
Head rst_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t);
bool rst_outline(const SourceText& src, size_t i);
bool rst_label(const SourceText& src, size_t i, std::string& out);
std::vector<LineScope> make_scopes(const std::vector<std::string_view>& lines);
Head make_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t);
bool make_outline(const SourceText& src, size_t i);
std::vector<LineScope> cmake_scopes(const std::vector<std::string_view>& lines);
Head cmake_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t);
bool cmake_outline(const SourceText& src, size_t i);
std::vector<LineScope> docker_scopes(const std::vector<std::string_view>& lines);
Head docker_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t);
bool docker_outline(const SourceText& src, size_t i);
std::vector<LineScope> yaml_scopes(const std::vector<std::string_view>& lines);
Head yaml_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t);
bool yaml_outline(const SourceText& src, size_t i);
std::vector<LineScope> toml_scopes(const std::vector<std::string_view>& lines);
Head toml_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t);
bool toml_outline(const SourceText& src, size_t i);
std::vector<LineScope> json_scopes(const std::vector<std::string_view>& lines);
Head json_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t);
bool json_outline(const SourceText& src, size_t i);
bool json_label(const SourceText& src, size_t i, std::string& out);
std::vector<LineScope> sql_scopes(const std::vector<std::string_view>& lines);
Head sql_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t);
bool sql_outline(const SourceText& src, size_t i);
std::vector<LineScope> proto_scopes(const std::vector<std::string_view>& lines);
std::vector<LineScope> thrift_scopes(const std::vector<std::string_view>& lines);
Head idl_head(const SourceText& src, size_t i, size_t col, size_t len, Scope, size_t);
bool idl_outline(const SourceText& src, size_t i);

}  // namespace zub::code
