// Recursive removal that never follows symbolic links: a link inside the
// tree is removed as a link, its target is left alone. Thread-safe.
#pragma once

#include <string>

namespace zub {

// Removes `path` and everything below it. Returns false when anything could
// not be removed (a missing `path` counts as failure too).
bool remove_tree(const std::string& path);

}  // namespace zub
