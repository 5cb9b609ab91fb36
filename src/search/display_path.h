// The base root of a search report and the display paths relative to it.
// Pure functions over path text (base_root also asks the file system whether
// the root is a directory). Thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zub {

// The single absolute directory root of a report: present when `roots` (the
// roots that exist) has exactly one element which, without its trailing
// slashes, is not empty, starts with "/" and is a directory. Returned
// without trailing slashes.
std::optional<std::string> base_root(const std::vector<std::string>& roots);

// `path` with `base` and the slashes after it removed from its front; the
// path unchanged when it does not start with `base` or nothing would remain.
std::string_view display_path(std::string_view path, const std::optional<std::string>& base);

// Appends a path to report text as shown_path prints it: a path that is not
// UTF-8 (a file name of another encoding) is converted lossily and control
// characters are escaped, so the report stays valid text, one line per line.
void append_path_text(std::string& out, std::string_view path);

}  // namespace zub
