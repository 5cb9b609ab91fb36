// Which names a line of source text declares: the one recogniser behind
// `def` (is this occurrence of the symbol its definition?) and `outline` (is
// this line a declaration worth listing?). It reads a line with a little
// lookahead (a parameter list running over lines, "{" on the next line, K&R
// parameter declarations, qualifiers after ")") and the scope the line
// starts in; each language family is read by its own file (languages.h).
// Pure functions over one file's lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "code/source_scope.h"

namespace zub {

// The language of a file, chosen by its whole name (Makefile, Dockerfile,
// CMakeLists.txt) or else by its final extension; Other for anything no
// language lists.
SourceLang source_lang(std::string_view path);

// The extensions of the file type named `type` as grep's -t takes it ("py",
// "ruby", "cpp", "css"), lower case and separated by spaces: the same table
// that chooses a file's language, so that grep and def agree on what a
// Ruby or C++ file is. Empty when no type has that name.
std::string_view file_type_extensions(std::string_view type);

// Prose (Markdown, reStructuredText), whose definitions are its sections.
bool is_prose(SourceLang lang);

struct SourceText {
  SourceLang lang = SourceLang::Other;
  const std::vector<std::string_view>* lines = nullptr;
  std::vector<LineScope> scopes;   // one per line
  std::vector<BraceBlock> blocks;  // recorded only when asked for (make_source_text)
  bool extents = true;  // whether heads report where a statement ends (def needs it, outline not)
};

// With `with_blocks`, the brace blocks are recorded as well (what qualified
// lookups and type outlines need).
SourceText make_source_text(SourceLang lang, const std::vector<std::string_view>& lines,
                            bool with_blocks = false);

enum class HeadKind : unsigned char {
  None,
  Declaration,  // declared but defined elsewhere: a prototype, an extern variable
  Definition,
};

inline constexpr size_t kNoLine = static_cast<size_t>(-1);

struct Head {
  HeadKind kind = HeadKind::None;
  size_t start = kNoLine;  // first line of the definition (a typedef's opening line)
  size_t brace = kNoLine;  // line of the body's "{", when the head scan reached it
  size_t end = kNoLine;    // last line: of a statement without a body, or of the body when known
  size_t brace_col = kNoLine;  // byte of the body's "{" on line `brace`, when known
};

// What the name of `len` bytes at byte `col` of line `i` is.
Head name_head(const SourceText& src, size_t i, size_t col, size_t len);

// True when line `i` declares something: a function or method head, a type,
// an import, an attribute or decorator at a level where declarations live.
bool is_outline_line(const SourceText& src, size_t i);

// The text `outline` shows for outline line `i` when it is not the line as
// written (a Markdown or reStructuredText title with the mark of its
// underline after it, so that its level shows); false to show the line.
bool outline_label(const SourceText& src, size_t i, std::string& out);

// For languages where some uses of a name show without a scope scan (a C
// name after "=" or called as a statement): true when the occurrence of
// `len` bytes at byte `col` of the line starting at byte `from` of `text` is
// one. Always false for the others (knows_plain_uses tells which).
bool plainly_a_use(SourceLang lang, std::string_view text, size_t from, size_t col, size_t len);
bool knows_plain_uses(SourceLang lang);

// True when `line`, after its leading white space, starts with one of the
// declaration prefixes: the test for files of no recognised language
// (lang_other.cpp).
bool is_declaration_line(std::string_view line);

}  // namespace zub
