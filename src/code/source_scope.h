// The language family of a source file (by its extension) and, per line,
// what kind of scope the line starts in: file level, a class-like body where
// members are declared, an interface-like body whose members may end in ";",
// an enum body, a function or statement body. Found by one pass over the
// text that skips comments, strings and character literals and, where the
// language has them, preprocessor lines and the braces of #else branches and
// #if 0.
// Pure functions.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace zub {

// clang-format off
enum class SourceLang : uint8_t {
  Other, C, Cpp, Java, CSharp, Go, Js, Ts, Python, Rust, Ruby, Php, Kotlin, Swift, Lua, Shell,
  // documents and configuration, read line by line by scans of their own
  Markdown, Rst, Make, CMake, Docker, Yaml, Toml, Json, Sql, Proto, Thrift,
};
// clang-format on

enum class Scope : uint8_t {
  Top,        // file level, or a namespace / module body
  Container,  // class, struct, impl or namespace-like body: members are declared here
  Abstract,   // interface or trait body: member heads ending in ";" are definitions
  Enum,       // enumerator list
  Group,      // Go's "const (", "var (", "type (" list at file level
  Body,       // function body, statement block, initialiser
};

struct LineScope {
  Scope scope = Scope::Top;
  bool dead = false;   // starts inside a comment, a string running over lines, or #if 0
  bool inner = false;  // continues a head whose "(" was already opened (parameters, qualifiers)
  uint32_t depth = 0;  // braces open at the line's start (0 for Python)
};

// A "{" ... "}" block the scan met, with the statement head in front of it
// (the text from the end of the previous statement to the brace). Blocks are
// listed in the order their "{" appears.
inline constexpr size_t kNotClosed = static_cast<size_t>(-1);
inline constexpr uint32_t kNoBlock = static_cast<uint32_t>(-1);
struct BraceBlock {
  size_t head_line = 0, head_col = 0;
  size_t open_line = 0, open_col = 0;
  size_t close_line = kNotClosed, close_col = 0;
  uint32_t parent = kNoBlock;  // the block this one is inside
  Scope scope = Scope::Body;   // what the brace opens
};

// One entry per line, by the brace scan, read as the trait flags of the
// language's row say (its literals, comments, directives and where its
// statements end); a "{" opens what the row's opens function says. With
// `blocks`, every brace block is recorded there too. Languages whose blocks
// are not braces have scans of their own (the row's scan).
std::vector<LineScope> scan_scopes(SourceLang lang, const std::vector<std::string_view>& lines,
                                   std::vector<BraceBlock>* blocks = nullptr);

// The scope that a "{" right after `head` (the text of one line) opens.
Scope scope_opened_by(SourceLang lang, std::string_view head);

// True for the bytes that may appear in an identifier (ASCII letters,
// digits, "_", "$" and any byte of a multi-byte UTF-8 character).
inline bool is_ident_byte(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
         u == '$' || u >= 0x80;
}

}  // namespace zub
