// The hook's per-session counter file in the system temporary directory.
// That directory is writable by every user, so the file is only ever read
// when it is a regular file of our own (never through a symbolic link, never
// blocking on a planted pipe) and only ever replaced by renaming a fresh
// private file over it, so a planted link or foreign file cannot redirect
// the write. Thread-safe; concurrent writers leave one whole value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zub {

// "zub-probe-{id}" in `TMPDIR` (when set and not empty) or /tmp; {id} keeps
// only ASCII letters, digits and "-" of the session id, at most 48 of them,
// and is "x" when there is no session id.
std::string probe_path(const std::optional<std::string>& session_id);

// The file beside the session's probe file whose presence says that the
// PostToolUse side runs in this session.
std::string post_marker_path(const std::string& probe);

// The count held in the file; 0 when it is missing, unreadable, not our own
// regular file, or does not hold a number.
uint32_t read_probe_count(const std::string& path);

// Replaces the file with `count` as decimal text (mode 0600). False when
// that failed; the caller ignores it.
bool write_probe_count(const std::string& path, uint64_t count);

}  // namespace zub
