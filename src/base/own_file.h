// Opening files and directories that must be the user's own. Such a place
// may lie where others can plant names (the shared temporary directory), or
// its last component may have been swapped for a link to somewhere else, so
// a final symbolic link is never followed, opening never blocks on a planted
// pipe, and what was opened is kept only when it is of the expected kind and
// belongs to the effective user. Thread-safe.
#pragma once

#include <sys/types.h>

namespace zub {

enum class OwnKind { kFile, kDir };

// Opens `name` relative to `dir_fd` (AT_FDCWD for a plain path) with
// `flags`, to which O_NOFOLLOW, O_NONBLOCK, O_NOCTTY and O_CLOEXEC are added
// (and O_DIRECTORY for kDir); `mode` applies when `flags` has O_CREAT.
// Returns the descriptor, or -1 with *err set: the open's errno, ENOTDIR or
// EINVAL for the wrong kind of file, EPERM for a file of another user.
int open_own(int dir_fd, const char* name, int flags, OwnKind kind, int* err, mode_t mode = 0600);

// The directory `name` under `dir_fd`, made with mode 0700 when it is
// missing and `create` is set, opened as by open_own. A directory of our own
// that others may enter has those permissions taken away, since what the
// tool keeps there is private. Returns the descriptor or -1 with *err set.
int open_own_dir(int dir_fd, const char* name, bool create, int* err);

}  // namespace zub
