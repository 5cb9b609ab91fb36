// Making and removing whole directory paths. Thread-safe.
#pragma once

#include <string>

namespace zub {

// mkdir -p with mode 0777 (before the umask); true when `path` ends up a
// directory.
bool make_dirs(const std::string& path);

// Removes `path` and everything below it, never following symbolic links:
// a link inside the tree is removed as a link, its target is left alone. Returns false when
// anything could not be removed (a missing `path` counts as failure too).
bool remove_tree(const std::string& path);

}  // namespace zub
