#include "code/enclosing.h"

#include <algorithm>

#include "base/text.h"
#include "code/head_scan.h"
#include "code/languages.h"

namespace zub {

namespace {

using code::indent_of;
using code::starts_word;
using code::trim;

bool is_type_keyword(std::string_view w) {
  return code::is_word(
      w, {"class", "struct", "union", "interface", "enum", "record", "trait", "impl", "namespace",
          "module", "mod", "object", "protocol", "extension"});
}

// Words that may follow a C++ class's name before its bases.
bool is_name_suffix(std::string_view w) {
  return code::is_word(w, {"final", "sealed", "abstract"});
}

bool has(const SourceText& src, uint32_t trait) { return code::has_trait(src.lang, trait); }

// The tokens of a block's head: identifiers, "::" and single punctuation
// bytes, without comments, string literals and (in C-like files)
// preprocessor lines. Only the last lines of a long head are read (the
// name is right before the brace).
std::vector<std::string_view> head_tokens(const SourceText& src, const BraceBlock& b) {
  constexpr size_t kLines = 8;
  std::vector<std::string_view> toks;
  const std::vector<std::string_view>& lines = *src.lines;
  size_t first = b.head_line;
  if (b.open_line - first > kLines) first = b.open_line - kLines;
  bool in_comment = src.scopes[first].dead;  // the head may start inside a comment
  const bool preproc = has(src, code::kPreprocessor);
  const bool lifetimes = has(src, code::kLifetimes);
  for (size_t hl = first; hl <= b.open_line; ++hl) {
    const std::string_view l = lines[hl];
    const size_t from = hl == b.head_line ? std::min(b.head_col, l.size()) : 0;
    const size_t to = hl == b.open_line ? b.open_col : l.size();
    if (preproc && !in_comment && indent_of(l) < l.size() && l[indent_of(l)] == '#') continue;
    for (size_t k = from; k < to; ++k) {
      const char c = l[k];
      if (in_comment) {
        if (c == '*' && k + 1 < to && l[k + 1] == '/') in_comment = false, ++k;
        continue;
      }
      if (code::is_space(c)) continue;
      if (c == '/' && k + 1 < to && l[k + 1] == '/') break;
      if (c == '/' && k + 1 < to && l[k + 1] == '*') {
        in_comment = true;
        ++k;
        continue;
      }
      if (c == '"' || c == '`' || (c == '\'' && !lifetimes)) {
        for (++k; k < to && l[k] != c; ++k)
          if (l[k] == '\\') ++k;
        continue;
      }
      if (is_ident_byte(c)) {
        size_t e = k + 1;
        while (e < to && is_ident_byte(l[e])) ++e;
        toks.push_back(l.substr(k, e - k));
        k = e - 1;
        continue;
      }
      if (c == ':' && k + 1 < to && l[k + 1] == ':') {
        toks.push_back(l.substr(k, 2));
        ++k;
        continue;
      }
      toks.push_back(l.substr(k, 1));
    }
  }
  return toks;
}

// Past the bracket group that opens at token `k` ("(", "[" or "<").
size_t skip_group(const std::vector<std::string_view>& t, size_t k) {
  const char open = t[k][0];
  const char close = open == '(' ? ')' : open == '[' ? ']' : '>';
  int depth = 0;
  for (; k < t.size(); ++k) {
    if (t[k].size() != 1) continue;
    if (t[k][0] == open) ++depth;
    if (t[k][0] == close && --depth == 0) return k + 1;
  }
  return k;
}

bool is_tok(const std::vector<std::string_view>& t, size_t k, std::string_view s) {
  return k < t.size() && t[k] == s;
}

// A path of identifiers joined by "::" or "." from token `k`; its pieces
// go to `pieces`. Type arguments after a piece are passed over.
size_t read_path(const std::vector<std::string_view>& t, size_t k,
                 std::vector<std::string_view>& pieces) {
  while (k < t.size() && is_ident_byte(t[k][0])) {
    pieces.push_back(t[k]);
    ++k;
    if (is_tok(t, k, "<")) k = skip_group(t, k);
    if (!is_tok(t, k, "::") && !is_tok(t, k, ".")) break;
    ++k;
  }
  return k;
}

// The names a block's head gives the block, appended to `out`.
void names_of_block(const SourceText& src, const BraceBlock& b, std::vector<EnclosingName>& out) {
  const bool script = has(src, code::kScriptNames);
  const bool type_word = has(src, code::kTypeWord);
  if (b.scope == Scope::Body && !has(src, code::kNamedBodies)) return;
  const std::vector<std::string_view> t = head_tokens(src, b);
  size_t k = 0;
  while (k < t.size()) {
    if (t[k] == "template" && is_tok(t, k + 1, "<")) {
      k = skip_group(t, k + 1);
    } else if (t[k] == "@" && k + 1 < t.size()) {  // an annotation and its arguments
      k += 2;
      while (is_tok(t, k, ".") && k + 1 < t.size()) k += 2;
      if (is_tok(t, k, "(")) k = skip_group(t, k);
    } else if (is_type_keyword(t[k]) || (type_word && t[k] == "type")) {
      break;
    } else {
      ++k;
    }
  }
  if (k == t.size()) {
    // A JavaScript object literal assigned to a name: `var User = {`,
    // `User: {`, `A.prototype = {`.
    if (!script || b.scope != Scope::Body || t.size() < 2) return;
    const std::string_view last = t.back();
    if (last != "=" && last != ":") return;
    size_t n = t.size() - 2;
    if (!is_ident_byte(t[n][0])) return;
    if (t[n] == "prototype" && n >= 2 && t[n - 1] == "." && is_ident_byte(t[n - 2][0])) n -= 2;
    out.push_back({t[n], {}, {}});
    return;
  }
  const bool impl = t[k] == "impl";
  std::string_view alias;
  if (script && k >= 2 && t[k - 1] == "=" && is_ident_byte(t[k - 2][0])) alias = t[k - 2];
  ++k;
  if (impl) {
    if (is_tok(t, k, "<")) k = skip_group(t, k);
    std::vector<std::string_view> first, second;
    k = read_path(t, k, first);
    if (first.empty()) return;
    if (is_tok(t, k, "for")) {
      // impl Trait for &'a mut fmt::Formatter<'b>: the path after the
      // reference, its lifetime and mut.
      ++k;
      while (k < t.size() && (t[k] == "&" || t[k] == "mut" || t[k] == "dyn" || t[k] == "'")) {
        if (t[k] == "'") ++k;
        ++k;
      }
      read_path(t, k, second);
    }
    if (second.empty())
      out.push_back({first.back(), {}, {}});
    else
      out.push_back({second.back(), first.back(), {}});
    return;
  }
  // The name is the last path before the heritage, the type parameters or
  // the body; attributes and macros in front of it are passed over.
  std::vector<std::string_view> name;
  while (k < t.size()) {
    const std::string_view w = t[k];
    if (w == "(" || w == "[") {
      k = skip_group(t, k);
      continue;
    }
    if (!is_ident_byte(w[0])) break;
    if ((!name.empty() && is_name_suffix(w)) || (name.empty() && is_type_keyword(w))) {
      ++k;
      continue;
    }
    if (!name.empty() &&
        (is_type_keyword(w) || code::is_word(w, {"extends", "implements", "where", "for"})))
      break;
    name.clear();
    k = read_path(t, k, name);
  }
  for (std::string_view n : name) out.push_back({n, {}, {}});
  if (!name.empty()) out.back().alias = alias;
}

// Where blocks are indentation: the classes a line sits in are the `class`
// lines above it with less indentation.
void python_names(const SourceText& src, size_t i, std::vector<EnclosingName>& out) {
  const std::vector<std::string_view>& lines = *src.lines;
  size_t d = indent_of(lines[i]);
  const size_t first = out.size();
  for (size_t k = i; k-- > 0 && d > 0;) {
    const std::string_view l = lines[k];
    const std::string_view t = trim(l);
    if (t.empty() || t[0] == '#' || src.scopes[k].dead || indent_of(l) >= d ||
        code::closes_group(t))
      continue;
    d = indent_of(l);
    if (!starts_word(t, "class")) continue;
    size_t c = 0, len = 0;
    if (code::word_at(t, 5, &c, &len)) out.push_back({t.substr(c, len), {}, {}});
  }
  std::reverse(out.begin() + static_cast<std::ptrdiff_t>(first), out.end());
}

// The qualifiers written in front of the name on its own line.
void written_qualifiers(const SourceText& src, size_t i, size_t col,
                        std::vector<EnclosingName>& out) {
  const std::string_view l = (*src.lines)[i];
  if (has(src, code::kReceivers)) {
    // func (c *Command[T]) Execute(): the receiver's type.
    const std::string_view t = trim(l.substr(0, col));
    if (!starts_word(t, "func")) return;
    const std::string_view r = trim(t.substr(4));
    if (r.empty() || r[0] != '(') return;
    const size_t close = r.find(')');
    if (close == std::string_view::npos) return;
    std::string_view recv = r.substr(1, close - 1);
    const size_t bracket = recv.find('[');
    if (bracket != std::string_view::npos) recv = recv.substr(0, bracket);
    const std::string_view type = code::last_word(trim(recv));
    if (!type.empty()) out.push_back({type, {}, {}});
    return;
  }
  const bool colon_method = has(src, code::kColonMethods);  // `function A:b()`
  std::vector<EnclosingName> q;
  size_t k = col;
  for (;;) {
    if (k >= 2 && l[k - 1] == ':' && l[k - 2] == ':') {
      k -= 2;
    } else if (k >= 1 && (l[k - 1] == '.' || (colon_method && l[k - 1] == ':')) &&
               !(k >= 2 && (l[k - 2] == '.' || l[k - 2] == ':'))) {
      k -= 1;
    } else {
      break;
    }
    if (k > 0 && l[k - 1] == '>') {  // List<T>::
      int depth = 0;
      while (k > 0) {
        --k;
        if (l[k] == '>') ++depth;
        if (l[k] == '<' && --depth == 0) break;
      }
      if (depth != 0) break;
    }
    const size_t e = k;
    while (k > 0 && is_ident_byte(l[k - 1])) --k;
    if (k == e) break;
    const std::string_view w = l.substr(k, e - k);
    if (w != "prototype" && w != "self" && w != "this") q.push_back({w, {}, {}});
  }
  out.insert(out.end(), q.rbegin(), q.rend());
}

}  // namespace

uint32_t block_at(const SourceText& src, size_t i, size_t col) {
  const std::vector<BraceBlock>& blocks = src.blocks;
  // The last block opened before the position, then out through its parents
  // to the first one not yet closed there.
  const auto after = std::upper_bound(
      blocks.begin(), blocks.end(), std::make_pair(i, col), [](auto pos, const BraceBlock& b) {
        return pos.first < b.open_line || (pos.first == b.open_line && pos.second <= b.open_col);
      });
  if (after == blocks.begin()) return kNoBlock;
  uint32_t b = static_cast<uint32_t>(after - blocks.begin() - 1);
  while (b != kNoBlock) {
    const BraceBlock& x = blocks[b];
    if (x.close_line == kNotClosed || x.close_line > i || (x.close_line == i && x.close_col >= col))
      return b;
    b = x.parent;
  }
  return kNoBlock;
}

std::vector<EnclosingName> enclosing_names(const SourceText& src, size_t i, size_t col) {
  std::vector<EnclosingName> out;
  if (has(src, code::kIndentBlocks)) {
    python_names(src, i, out);
  } else {
    std::vector<uint32_t> chain;
    for (uint32_t b = block_at(src, i, col); b != kNoBlock; b = src.blocks[b].parent)
      chain.push_back(b);
    for (size_t k = chain.size(); k-- > 0;) names_of_block(src, src.blocks[chain[k]], out);
  }
  written_qualifiers(src, i, col, out);
  return out;
}

bool defines_type(const SourceText& src, size_t i, size_t col) {
  const std::string_view l = (*src.lines)[i];
  // A type keyword, then only words (attributes, modifiers, the trait of an
  // impl), type arguments and "::" up to the name: `struct foo *make(` names
  // a function, not the struct.
  bool keyword = false;
  const bool type_word = has(src, code::kTypeWord);
  for (size_t k = 0; k < col;) {
    const char c = l[k];
    if (is_ident_byte(c)) {
      size_t e = k + 1;
      while (e < col && is_ident_byte(l[e])) ++e;
      const std::string_view w = l.substr(k, e - k);
      if (is_type_keyword(w) || (type_word && w == "type")) keyword = true;
      k = e;
    } else if (code::is_space(c) || c == ':') {
      ++k;
    } else if (c == '<' && keyword) {
      int depth = 0;
      for (; k < col; ++k) {
        if (l[k] == '<') ++depth;
        if (l[k] == '>' && --depth == 0) break;
      }
      ++k;
    } else {
      keyword = false;
      ++k;
    }
  }
  if (!keyword) return false;
  if (!type_word) return true;
  // "type T int" is no body of members.
  const std::string_view post = trim(l.substr(col));
  return post.find("struct") != std::string_view::npos ||
         post.find("interface") != std::string_view::npos;
}

namespace {

// A body of fields only (a C struct, a Go or Rust struct): the first line of
// each declaration directly in block `b`, between the lines `open` and
// `close`. A declaration starts where the one before it ended (";", ",", or
// a brace) outside parentheses; comments and preprocessor lines are none.
std::vector<size_t> field_lines(const SourceText& src, uint32_t b, size_t open, size_t close) {
  const std::vector<std::string_view>& lines = *src.lines;
  std::vector<size_t> fields;
  const bool line_ends = has(src, code::kLineEndsStatement);
  bool fresh = true;
  int parens = 0;
  for (size_t j = open + 1; j < close; ++j) {
    const size_t c = indent_of(lines[j]);
    if (c == lines[j].size() || src.scopes[j].dead) continue;
    std::string_view t = trim(lines[j]);
    if (t[0] == '#' || starts_with(t, "//") || starts_with(t, "/*") || t[0] == '*') continue;
    if (const size_t cut = t.find("/*"); cut != std::string_view::npos) t = trim(t.substr(0, cut));
    if (const size_t cut = t.find("//"); cut != std::string_view::npos) t = trim(t.substr(0, cut));
    if (t.empty()) continue;
    if (fresh && parens == 0 && t[0] != '}' && block_at(src, j, c) == b) fields.push_back(j);
    for (char ch : t) parens += ch == '(' ? 1 : ch == ')' ? -1 : 0;
    if (parens < 0) parens = 0;
    const char end = t.back();
    // A bare word is a macro standing for members (the kernel's
    // randomized_struct_fields_start): complete without a ";".
    const bool word = std::all_of(t.begin(), t.end(), [](char ch) { return is_ident_byte(ch); });
    // Where lines end statements, they end fields too.
    fresh =
        parens == 0 && (line_ends || word || end == ';' || end == ',' || end == '{' || end == '}');
  }
  return fields;
}

}  // namespace

TypeOutline type_outline(const SourceText& src, size_t i, size_t col, size_t end) {
  const std::vector<std::string_view>& lines = *src.lines;
  TypeOutline out;
  const auto listed = [&](size_t j) {
    if (!is_outline_line(src, j)) return false;
    const std::string_view t = trim(lines[j]);
    return !t.empty() && t[0] != '@' && t[0] != '[' && t[0] != '#';
  };
  if (has(src, code::kIndentBlocks)) {
    const size_t d = indent_of(lines[i]);
    size_t body = static_cast<size_t>(-1);
    for (size_t j = i; j <= end; ++j) {
      const std::string_view t = trim(lines[j]);
      if (t.empty() || t[0] == '#' || src.scopes[j].dead) continue;
      if (out.body == kNoLine && t.back() == ':') out.body = j;
      if (j > i && indent_of(lines[j]) > d) body = std::min(body, indent_of(lines[j]));
    }
    for (size_t j = i + 1; j <= end; ++j)
      if (!src.scopes[j].dead && indent_of(lines[j]) == body && listed(j)) out.members.push_back(j);
    return out;
  }
  // The body is the first block opened after the name.
  const auto at = std::lower_bound(src.blocks.begin(), src.blocks.end(), std::make_pair(i, col),
                                   [](const BraceBlock& b, std::pair<size_t, size_t> pos) {
                                     return b.open_line < pos.first ||
                                            (b.open_line == pos.first && b.open_col < pos.second);
                                   });
  if (at == src.blocks.end() || at->open_line > end) return out;
  const uint32_t b = static_cast<uint32_t>(at - src.blocks.begin());
  out.body = at->open_line;
  const size_t last = at->close_line == kNotClosed ? end : std::min(end, at->close_line);
  for (size_t j = at->open_line + 1; j < last; ++j) {
    const size_t c = indent_of(lines[j]);
    if (c == lines[j].size() || src.scopes[j].dead) continue;
    if (block_at(src, j, c) == b && listed(j)) out.members.push_back(j);
  }
  // Fields stand for the body only when they are the lesser part of it
  // (comments, conditionals, nested blocks between them): a plain list of
  // fields is best read whole.
  if (out.members.empty()) {
    std::vector<size_t> fields = field_lines(src, b, at->open_line, last);
    if (fields.size() * 2 <= last - at->open_line) out.members = std::move(fields);
  }
  return out;
}

}  // namespace zub
