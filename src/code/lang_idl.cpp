// Interface definitions: protobuf (messages, enums, services and their rpc
// lines, extend blocks, package and imports) and Thrift (structs, unions,
// exceptions, enums, services and their functions, typedefs, constants,
// namespaces and includes). A message's block is its braces; an rpc or a
// Thrift function runs to its ";" or to the end of its parentheses.
#include <algorithm>
#include <cstdint>

#include "code/block_end.h"
#include "code/doc_lines.h"
#include "code/languages.h"

namespace zub::code {

namespace {

bool is_proto(const SourceText& src) { return src.lang == SourceLang::Proto; }

// Words that open a block whose members are declared.
bool container_word(std::string_view w) {
  return is_word(w, {"message", "struct", "union", "exception", "extend", "oneof"});
}

// Words that declare a named item, per language.
bool item_word(bool proto, std::string_view w) {
  if (proto) return is_word(w, {"message", "enum", "service", "extend", "rpc"});
  return is_word(w, {"struct", "union", "exception", "enum", "senum", "service"});
}

std::vector<LineScope> scan(const std::vector<std::string_view>& lines, bool hash_comments) {
  std::vector<LineScope> out(lines.size());
  std::vector<Scope> stack;
  bool comment = false;
  std::string_view first;  // the first word of the statement being read
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view l = lines[i];
    out[i].dead = comment;
    out[i].scope = stack.empty() ? Scope::Top : stack.back();
    for (size_t k = 0; k < l.size(); ++k) {
      const char c = l[k];
      if (comment) {
        if (c == '*' && k + 1 < l.size() && l[k + 1] == '/') comment = false, ++k;
        continue;
      }
      if ((c == '/' && k + 1 < l.size() && l[k + 1] == '/') || (c == '#' && hash_comments)) break;
      if (c == '/' && k + 1 < l.size() && l[k + 1] == '*') {
        comment = true;
        ++k;
      } else if (c == '"' || c == '\'') {
        for (++k; k < l.size() && l[k] != c; ++k)
          if (l[k] == '\\') ++k;
      } else if (c == '{') {
        stack.push_back(first == "service"                    ? Scope::Abstract
                        : first == "enum" || first == "senum" ? Scope::Enum
                        : container_word(first)               ? Scope::Container
                                                              : Scope::Body);
        first = {};
      } else if (c == '}') {
        if (!stack.empty()) stack.pop_back();
        first = {};
      } else if (c == ';') {
        first = {};
      } else if (first.empty() && is_ident_byte(c)) {
        size_t e = k;
        while (e < l.size() && is_ident_byte(l[e])) ++e;
        first = l.substr(k, e - k);
        k = e - 1;
      }
    }
  }
  return out;
}

// The line of the first "{" or ";" outside parentheses from line `i`, with
// which of the two; for a Thrift function, the line its parentheses (and a
// "throws (...)" after them) close on.
struct End {
  size_t line;
  char what;
};

End item_end(const SourceText& src, size_t i) {
  const std::vector<std::string_view>& lines = *src.lines;
  int depth = 0;
  bool closed = false;  // a parenthesised group has closed
  const size_t last = std::min(lines.size() - 1, i + kHeadLines);
  for (size_t j = i; j <= last; ++j) {
    const std::string_view l = lines[j];
    if (closed && depth == 0 && !starts_word(trim(l), "throws") && !is_proto(src))
      return {j - 1, ')'};
    for (size_t k = 0; k < l.size(); ++k) {
      const char c = l[k];
      if (c == '/' && k + 1 < l.size() && l[k + 1] == '/') break;
      if (c == '#' && !is_proto(src)) break;
      if (c == '(') ++depth;
      if (c == ')' && depth > 0 && --depth == 0) closed = true;
      if (depth == 0 && (c == '{' || c == ';' || (c == ',' && closed))) return {j, c};
    }
  }
  return {closed ? last : i, ')'};
}

}  // namespace

std::vector<LineScope> proto_scopes(const std::vector<std::string_view>& lines) {
  return scan(lines, false);
}

std::vector<LineScope> thrift_scopes(const std::vector<std::string_view>& lines) {
  return scan(lines, true);
}

Head idl_head(const SourceText& src, size_t i, size_t col, size_t len, Scope scope, size_t) {
  const std::vector<std::string_view>& lines = *src.lines;
  const std::string_view l = lines[i];
  const std::string_view pre = trim(l.substr(0, col));
  const std::string_view post = trim(l.substr(col + len));
  const bool proto = is_proto(src);
  bool named = item_word(proto, pre) && (scope != Scope::Body || pre == "rpc");
  if (!proto && !named) {
    // typedef T Name, const T NAME = ..., or a service's function "T name(".
    const std::string_view first = lead_word(pre);
    named = ((first == "typedef" || first == "const") && scope == Scope::Top &&
             pre.size() > first.size()) ||
            (scope == Scope::Abstract && !pre.empty() && !post.empty() && post[0] == '(' &&
             pre.back() != '.' && pre.back() != '=');
  }
  if (!named) return {};
  // A typedef is one line; a constant runs to where the brackets of its
  // value (a list or a map) close. Neither ends in a "{" or ";" of its own.
  const std::string_view first = lead_word(trim(l));
  if (!proto && first == "typedef") return definition_end(i, i);
  if (!proto && first == "const") {
    int64_t depth = 0;
    for (size_t j = i; j < lines.size(); ++j) {
      for (char c : lines[j]) depth += c == '{' || c == '[' ? 1 : c == '}' || c == ']' ? -1 : 0;
      if (depth <= 0) return definition_end(i, j);
    }
    return definition_end(i, lines.size() - 1);
  }
  const End e = item_end(src, i);
  if (e.what == '{') return definition_end(i, block_end_from(lines, i, e.line, lines.size()));
  return definition_end(i, e.line);
}

bool idl_outline(const SourceText& src, size_t i) {
  const std::string_view t = trim((*src.lines)[i]);
  const Scope scope = src.scopes[i].scope;
  const std::string_view w = lead_word(t);
  if (scope == Scope::Top &&
      (w == "package" || w == "import" || w == "include" || w == "namespace" ||
       w == "cpp_include" || (!is_proto(src) && (w == "typedef" || w == "const"))))
    return true;
  if (item_word(is_proto(src), w) && scope != Scope::Body && scope != Scope::Enum) {
    const std::string_view rest = trim(t.substr(w.size()));
    return !rest.empty() && (is_ident_byte(rest[0]) || rest[0] == '.');
  }
  if (is_proto(src) || scope != Scope::Abstract || w.empty()) return false;
  // A Thrift function: a return type, a name and "(".
  const size_t paren = t.find('(');
  return paren != std::string_view::npos && paren > 0 &&
         t.substr(0, paren).find_first_of("=:\"") == std::string_view::npos &&
         !last_word(trim(t.substr(0, paren))).empty() && trim(t.substr(0, paren)) != w;
}

}  // namespace zub::code
