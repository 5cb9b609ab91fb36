#include "re/bre.h"

namespace zub {

namespace {

bool is_operator_escape(char c) {
  return c == '|' || c == '(' || c == ')' || c == '+' || c == '?' || c == '{' || c == '}';
}

// The end of the bracket expression that opens at `open` (the index after
// its "]"), or npos when it is not closed. "]" right after "[" or "[^" is a
// member, and so is anything inside "[:…:]", "[=…=]", "[.….]".
size_t bracket_end(std::string_view p, size_t open) {
  size_t i = open + 1;
  if (i < p.size() && p[i] == '^') ++i;
  if (i < p.size() && p[i] == ']') ++i;
  while (i < p.size()) {
    if (p[i] == ']') return i + 1;
    if (p[i] == '[' && i + 1 < p.size() &&
        (p[i + 1] == ':' || p[i + 1] == '=' || p[i + 1] == '.')) {
      const char kind = p[i + 1];
      const size_t close = p.find(std::string{kind, ']'}, i + 2);
      if (close == std::string_view::npos) return std::string_view::npos;
      i = close + 2;
      continue;
    }
    ++i;
  }
  return std::string_view::npos;
}

// True when a "$" at `i` ends the expression or the group or branch it is in.
bool anchors_end(std::string_view p, size_t i) {
  if (i + 1 == p.size()) return true;
  return p.size() >= i + 3 && p[i + 1] == '\\' && (p[i + 2] == ')' || p[i + 2] == '|');
}

}  // namespace

bool has_bre_operators(std::string_view text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '\\') continue;
    if (is_operator_escape(text[i + 1])) return true;
    ++i;
  }
  return false;
}

bool has_bre_specials(std::string_view text) {
  return text.find_first_of(".*[^$\\") != std::string_view::npos;
}

std::string bre_to_pattern(std::string_view p) {
  std::string out;
  out.reserve(p.size() + 8);
  bool at_start = true;  // at the start of the expression, a group or a branch
  for (size_t i = 0; i < p.size();) {
    const char c = p[i];
    if (c == '\\' && i + 1 < p.size()) {
      const char e = p[i + 1];
      i += 2;
      if (is_operator_escape(e)) {
        out.push_back(e);
        at_start = e == '|' || e == '(';
      } else {
        out.push_back('\\');
        out.push_back(e);
        at_start = false;
      }
      continue;
    }
    if (c == '[') {
      const size_t end = bracket_end(p, i);
      if (end != std::string_view::npos) {
        for (size_t k = i; k < end; ++k) {
          if (p[k] == '\\') out.push_back('\\');
          out.push_back(p[k]);
        }
        i = end;
        at_start = false;
        continue;
      }
    }
    ++i;
    if (c == '^') {
      if (at_start) {
        out.push_back('^');
        continue;  // a star after a leading anchor is still a plain star
      }
      out.append("\\^");
    } else if (c == '$') {
      out.append(anchors_end(p, i - 1) ? "$" : "\\$");
    } else if (c == '*' && at_start) {
      out.append("\\*");
    } else if (is_operator_escape(c)) {
      out.push_back('\\');
      out.push_back(c);
    } else {
      out.push_back(c);
    }
    at_start = false;
  }
  return out;
}

}  // namespace zub
