// `zub grep --files` with find's tests (-name, -iname, -path, -type): what
// find lists, in place of the files a search would read. Every kind of file
// (no non-source table, no content gate: an empty file or an image is
// listed) and the directories the tests take, one path a line in walk
// order, with no summary line, and at most limits.files of them with a note
// saying how many more and how to see them.
#pragma once

#include <string>
#include <vector>

#include "base/outcome.h"
#include "base/output.h"
#include "search/grep_options.h"

namespace zub {

// The listing of the walk of `roots` (roots that exist). Status 0 when it
// lists something, 1 when nothing passes the tests; 2 for a -type other
// than f or d.
Outcome list_found(const GrepOptions& o, const std::vector<std::string>& roots, Output& out);

}  // namespace zub
