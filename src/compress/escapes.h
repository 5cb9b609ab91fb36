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

}  // namespace zub
