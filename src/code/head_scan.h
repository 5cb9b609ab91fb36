// What the recognisers of every language share, internal to src/code/: a
// cursor that moves over a head's lines past white space and comments, where
// a head's statement or body begins and ends, the Head values they report,
// and small word tests on a line's text.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "code/declaration.h"
#include "code/languages.h"

namespace zub::code {

// How many lines a head (parameters, qualifiers, K&R declarations) may span.
inline constexpr size_t kHeadLines = 40;

// Whether a "#" at the start of a word begins a comment (in PHP not "#[",
// an attribute).
inline bool hash_comment_at(SourceLang lang, std::string_view l, size_t k) {
  switch (lang) {
    case SourceLang::Python:
    case SourceLang::Ruby: return true;
    case SourceLang::Shell: return k == 0 || l[k - 1] == ' ' || l[k - 1] == '\t' || l[k - 1] == ';';
    case SourceLang::Php: return k + 1 >= l.size() || l[k + 1] != '[';
    default: return false;
  }
}

// Whether a line comment starts at byte `k` of `l`.
inline bool line_comment_at(SourceLang lang, std::string_view l, size_t k) {
  const char x = l[k];
  if (x == '#') return hash_comment_at(lang, l, k);
  if (x == '-') return lang == SourceLang::Lua && k + 1 < l.size() && l[k + 1] == '-';
  if (x == '/')
    return k + 1 < l.size() && l[k + 1] == '/' && lang != SourceLang::Python &&
           lang != SourceLang::Ruby && lang != SourceLang::Shell && lang != SourceLang::Lua;
  return false;
}

// Languages whose blocks are not found by a "{" on the line before a name.
inline bool braceless(SourceLang lang) { return has_trait(lang, kBraceless); }

// Languages where a line break may end a statement.
inline bool newline_ends(SourceLang lang) { return has_trait(lang, kNewlineEnds); }

inline bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

inline std::string_view trim(std::string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

inline size_t indent_of(std::string_view l) {
  size_t k = 0;
  while (k < l.size() && is_space(l[k])) ++k;
  return k;
}

inline bool is_word(std::string_view w, std::initializer_list<std::string_view> set) {
  // The length and first byte rule out nearly every candidate before a
  // comparison of the bytes.
  if (w.empty()) {
    for (std::string_view s : set)
      if (s.empty()) return true;
    return false;
  }
  for (std::string_view s : set)
    if (s.size() == w.size() && s[0] == w[0] && w == s) return true;
  return false;
}

// A line of an indented language that starts by closing a bracket ("):",
// "]) -> int:"): the last line of a head over several lines, which tells
// nothing of the blocks around the lines below it.
inline bool closes_group(std::string_view t) {
  return !t.empty() && (t[0] == ')' || t[0] == ']' || t[0] == '}');
}

// `s` starts with the word `w` (not followed by an identifier byte).
inline bool starts_word(std::string_view s, std::string_view w) {
  // The first byte turns most lines away before a comparison of the bytes.
  if (!w.empty() && (s.empty() || s[0] != w[0])) return false;
  return starts_with(s, w) && (s.size() == w.size() || !is_ident_byte(s[w.size()]));
}

// The identifier that ends `s` (empty when `s` does not end in one).
inline std::string_view last_word(std::string_view s) {
  size_t k = s.size();
  while (k > 0 && is_ident_byte(s[k - 1])) --k;
  return s.substr(k);
}

// `s` without the identifier that ends it and the white space before that.
inline std::string_view drop_last_word(std::string_view s) {
  return trim(s.substr(0, s.size() - last_word(s).size()));
}

// A position in a file's lines that moves over white space, line breaks
// and comments.
struct Cursor {
  const std::vector<std::string_view>* lines;
  SourceLang lang;
  size_t i, c, last;
  bool crossed = false;  // a line break was passed by the last skip_space

  // Past the last line every byte reads as "\0".
  std::string_view line() const { return i <= last ? (*lines)[i] : std::string_view{}; }
  char ch() const { return c < line().size() ? line()[c] : '\0'; }
  char at(size_t k) const { return c + k < line().size() ? line()[c + k] : '\0'; }
  std::string_view rest() const { return line().substr(c < line().size() ? c : line().size()); }

  bool next_line();

  // Moves to the next byte that is neither white space nor in a comment;
  // false when the lines run out.
  bool skip_space();

  void advance(size_t k = 1) { c += k; }

  // Past a string or character literal that starts here (same line).
  void skip_quoted();

  // At an opening bracket: past its matching closer, over lines, strings
  // and comments. False when it does not close within the lines.
  bool skip_group();

  // At "<": past the matching ">" on this line (type arguments); false when
  // it is not closed there.
  bool skip_angles();

  // At "<": past the matching ">", over lines and over the brackets, object
  // types and strings inside; "=>" and "->" are no closers. False when it
  // does not close within the lines or a ";" comes first.
  bool skip_angles_over_lines();

  // At a "'": past a character literal, or in Rust just past the quote of
  // a lifetime ('a).
  void skip_quote_or_lifetime();

  std::string_view word() const {
    const std::string_view r = rest();
    size_t k = 0;
    while (k < r.size() && is_ident_byte(r[k])) ++k;
    return r.substr(0, k);
  }
};

// A cursor at byte `c` of line `i` that reads at most kHeadLines more lines.
Cursor cursor_at(const SourceText& src, size_t i, size_t c);

// The line of the first "{" or ";" outside brackets from (i, c), with which
// of the two it was; kNoLine when neither comes within the head lines.
struct Stop {
  size_t line = kNoLine;
  size_t col = 0;
  char what = 0;
};

Stop first_brace_or_semicolon(const SourceText& src, size_t i, size_t c);

// Last line of a statement starting at (i, c): the line of the first ";"
// outside brackets, or for languages where a line break may end a statement,
// the first line that ends outside brackets and not on an operator.
size_t statement_end(const SourceText& src, size_t i, size_t c);

inline Head definition(size_t start) { return Head{HeadKind::Definition, start, kNoLine, kNoLine}; }
inline Head definition_brace(size_t start, size_t brace, size_t col = kNoLine) {
  return Head{HeadKind::Definition, start, brace, kNoLine, col};
}
inline Head definition_end(size_t start, size_t end) {
  return Head{HeadKind::Definition, start, kNoLine, end};
}
inline Head declaration_end(size_t start, size_t end) {
  return Head{HeadKind::Declaration, start, kNoLine, end};
}

// Definition up to its body, or up to its ";" when it has none.
Head definition_to_stop(const SourceText& src, size_t i, size_t c);

// The same for a type's head, whose type arguments and parameters (in "<>"
// and "()", object types in "{}" among them) may run over lines.
Head type_to_body(const SourceText& src, size_t i, size_t c);

// Line of the "}" that closes the "{" at byte `col` of line `line`, found by
// the brace depths of the scope scan (strings and comments already left
// out); kNoLine when the depths do not fit that brace.
size_t body_end(const SourceText& src, size_t line, size_t col);

inline bool is_found(Head h) { return h.kind != HeadKind::None; }
inline bool is_defined(Head h) { return h.kind == HeadKind::Definition; }

// Byte offset of the identifier that ends right before `end` (after white
// space), with its length; for C++ the whole "operator..." name.
bool name_before(std::string_view l, size_t end, size_t* col, size_t* len);

// Offset of the first of `chars` outside strings, before any "//" comment.
size_t find_code(std::string_view l, std::string_view chars);

// The first word of `l` from `set`, with the identifier after it.
bool keyword_name(std::string_view l, std::initializer_list<std::string_view> set, size_t* col,
                  size_t* len);
// The same, where `stop` is find_code(l, "(=;"), already known to the caller.
bool keyword_name_before(std::string_view l, size_t stop,
                         std::initializer_list<std::string_view> set, size_t* col, size_t* len);

// The identifier starting at `k` (after white space), as a column and length.
bool word_at(std::string_view l, size_t k, size_t* col, size_t* len);

}  // namespace zub::code
