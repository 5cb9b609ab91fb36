#include "base/shell_quote.h"

#include "base/ascii.h"

namespace zub {

void append_shell_quoted(std::string& out, std::string_view word) {
  out += '\'';
  for (char c : word) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  out += '\'';
}

std::string shell_quoted(std::string_view word) {
  std::string out;
  out.reserve(word.size() + 2);
  append_shell_quoted(out, word);
  return out;
}

std::string shell_word(std::string_view word) {
  bool plain = !word.empty();
  for (char c : word)
    if (!is_alnum(c) && static_cast<unsigned char>(c) < 0x80 &&
        std::string_view("_./+-@%:,=").find(c) == std::string_view::npos)
      plain = false;
  return plain ? std::string(word) : shell_quoted(word);
}

}  // namespace zub
