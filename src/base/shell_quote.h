// Words written for a POSIX shell to read back byte for byte: the hints
// that name a command to run next, `zub init`'s hook command, and the line
// `wrap` hands to `sh -c`.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// Appends `word` in single quotes, each quote inside written as '\''.
void append_shell_quoted(std::string& out, std::string_view word);
std::string shell_quoted(std::string_view word);

// `word` as it is when the shell reads it so (letters, digits, bytes of
// UTF-8 characters and "_./+-@%:,="), else quoted as above. "$", "*",
// spaces and the like are always quoted.
std::string shell_word(std::string_view word);

}  // namespace zub
