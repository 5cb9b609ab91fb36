// The registry of the languages whose code structure zub reads, internal to
// src/code/: for each, its file extensions, the trait flags that tell the
// shared scans how its text reads (its literals and comments, where its
// statements end, how its blocks are named), and the functions that read its
// lines, kept in a file of their own (lang_c.cpp, lang_go.cpp, ...).
// Adding a language is a SourceLang value, one such file and one row of the
// table in languages.cpp. Documents and configuration files (Markdown,
// Makefiles, YAML, ...) have rows too: they are also chosen by whole file
// name, and read by a line scan of their own instead of the brace scan.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "code/brace_head.h"
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

// What a "{" opens, from what the brace scan read in front of it; nullptr
// means a statement or function body whatever the words.
using OpensFn = Scope (*)(const BraceHead& head);

// True when the occurrence of a name of `len` bytes at byte `col` of the line
// starting at byte `from` of `text` is plainly a use, seen without a scope
// scan (def asks before it scans a file).
using PlainUseFn = bool (*)(std::string_view text, size_t from, size_t col, size_t len);

// How a language's text reads, as flags of its row: what the shared scans
// (the brace scan, the heads, the names around a definition) do differently
// for it. A language's own file holds everything else.
enum Trait : uint32_t {
  // Literals and comments.
  kPreprocessor = 1u << 0,       // "#" directives; braces of #else branches and #if 0 not counted
  kCharLiterals = 1u << 1,       // 'x' and '\n' are characters
  kQuoteStrings = 1u << 2,       // '...' is a string
  kRegexLiterals = 1u << 3,      // a "/" after an operator or keyword opens /.../
  kRawBackticks = 1u << 4,       // `...` is a raw string, over lines
  kTemplates = 1u << 5,          // `...` with escapes and ${...} substitutions
  kTripleQuotes = 1u << 6,       // """...""" runs over lines
  kVerbatimStrings = 1u << 7,    // @"..." and @$"..." run over lines, "" inside
  kHashComments = 1u << 8,       // "#" starts a comment in brace code ("#[" an attribute)
  kHeredocs = 1u << 9,           // <<<WORD ... WORD
  kMultilineStrings = 1u << 10,  // ordinary strings run over lines
  kNestedComments = 1u << 11,    // /* /* */ */
  kLifetimes = 1u << 12,         // a "'" not closed two or three bytes later is no literal
  // Statements and heads.
  kHeadAfterParen = 1u << 13,   // a line after a ")" that ended no statement goes on with its head
  kAnnotationLines = 1u << 14,  // a line starting "@Name(...)" is no head to continue
  kBracketAttributes = 1u << 15,        // nor one starting "[Name(...)]"
  kDeclGroups = 1u << 16,               // "const (", "var (", "type (" lists at file level
  kLineEndsStatement = 1u << 17,        // a line break outside brackets ends a statement
  kLineEndsUnlessContinued = 1u << 18,  // unless the line or the next shows it goes on
  kNewlineEnds = 1u << 19,              // a line break may end a statement (heads stop there)
  kBraceless = 1u << 20,  // blocks are not braces (no "{" before a name opens a scope)
  // The names around a definition.
  kIndentBlocks = 1u << 21,  // the classes around a line are the lines above, less indented
  kNamedBodies = 1u << 22,   // a body block can be named (object literals, Go types)
  kScriptNames = 1u << 23,   // object literals and class expressions take the name assigned
  kTypeWord = 1u << 24,      // "type" introduces a type, struct or interface by its body
  kReceivers = 1u << 25,     // "func (r *T) Name": the receiver's type holds the method
  kColonMethods = 1u << 26,  // "function A:b()" qualifies b by A
  // A document or configuration kind: its scan marks lines that hold no
  // structure (`dead`: a fenced code block, a recipe, a multi-line string)
  // and its head test sees every occurrence of a name, with no comment or
  // brace filtering in front of it.
  kDocument = 1u << 27,
  kProse = 1u << 28,  // a document of prose, whose definitions are its sections
};

struct Language {
  SourceLang lang;
  std::string_view types;       // the names of the file type for grep's -t, separated by spaces
  std::string_view extensions;  // lower case, separated by spaces
  HeadFn head = nullptr;
  OutlineFn outline = nullptr;
  ScanFn scan = nullptr;
  uint32_t traits = 0;
  OpensFn opens = nullptr;
  // Whole file names in lower case, separated by spaces; one ending in "."
  // also matches that name with any suffix ("dockerfile." for Dockerfile.dev).
  std::string_view names = {};
  LabelFn label = nullptr;
  PlainUseFn plain_use = nullptr;
};

// The row of `lang`; nullptr for SourceLang::Other.
const Language* language_of(SourceLang lang);

// The trait flags of `lang`'s row; for files of no recognised language, those
// of the fallback reading (lang_other.cpp).
uint32_t traits_of(SourceLang lang);
inline bool has_trait(SourceLang lang, uint32_t trait) { return (traits_of(lang) & trait) != 0; }

// The language of a file extension in lower case; Other when no row lists it.
SourceLang language_of_extension(std::string_view ext);

// The extensions of the file type that grep's -t names `type` (separated by
// spaces); empty when no row has that name.
std::string_view extensions_of_type(std::string_view type);

// The kind of a whole file name in lower case; Other when no row names it.
SourceLang language_of_name(std::string_view name);

Head c_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool c_outline(const SourceText& src, size_t i);
Scope c_opens(const BraceHead& head);
bool c_plain_use(std::string_view text, size_t from, size_t col, size_t len);
Head java_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool java_outline(const SourceText& src, size_t i);
Scope java_opens(const BraceHead& head);
Head js_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool js_outline(const SourceText& src, size_t i);
Scope js_opens(const BraceHead& head);
Head go_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool go_outline(const SourceText& src, size_t i);
Scope go_opens(const BraceHead& head);
Head python_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool python_outline(const SourceText& src, size_t i);
std::vector<LineScope> python_scan(const std::vector<std::string_view>& lines);
Head rust_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool rust_outline(const SourceText& src, size_t i);
Scope rust_opens(const BraceHead& head);
Head kotlin_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t from);
bool kotlin_outline(const SourceText& src, size_t i);
Scope kotlin_opens(const BraceHead& head);
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
Scope php_opens(const BraceHead& head);

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
