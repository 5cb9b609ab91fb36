// The skip-name test that keeps tree walks inside source code, and the depth
// limit shared by every walk. Pure functions, thread-safe.
#pragma once

#include <cstdint>
#include <string_view>

namespace zub {

// Directories deeper than this below their root are not read.
inline constexpr uint64_t kMaxWalkDepth = 255;

// True when an entry of this name (file or directory) is left out of walks:
// dependency, build, cache and tool directories, secrets files, lock files
// and snapshots. `name` is UTF-8 (lossily converted by the caller).
bool is_skipped_name(std::string_view name);

}  // namespace zub
