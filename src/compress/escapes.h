// Removal of terminal escape sequences from captured output. A sequence
// starts at ESC (U+001B) or CSI (U+009B) and runs up to and including the
// next ASCII letter; without a letter it runs to the end of the text.
// Pure; thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// The text without escape sequences. Returns `text` itself when it holds
// none; otherwise the cleaned copy is built in `storage` and a view of it
// is returned.
std::string_view strip_escapes(std::string_view text, std::string& storage);

// Reads the lines of the escape-free text one at a time without building
// that text: memory stays at the longest line, whatever the input's length.
// Lines are split as split_lines splits them.
struct CleanLines {
  std::string_view text;
  size_t pos = 0;       // next unread byte of `text`
  size_t esc = 0;       // next ESC at or after the last search, or npos
  size_t csi = 0;       // next CSI at or after the last search, or npos
  std::string scratch;  // a line that spans removed sequences
};

CleanLines clean_lines(std::string_view text);

// Sets `line` to the next line and returns true, or returns false at the
// end. `line` stays valid until the next call.
bool next_clean_line(CleanLines& r, std::string_view& line);

}  // namespace zub
