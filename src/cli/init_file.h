// The files `zub init` changes (the host's settings, CLAUDE.md), read and
// replaced safely: a symbolic link is followed only when it is the user's
// own, the file it reaches must be a regular file of the user's that is not
// read-only and, for a repository's files, inside the repository; a
// replacement is atomic, keeps the file's mode and, when asked, keeps the
// previous bytes in a backup file. Messages are Korean and name
// the path as the user gave it.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "base/json_doc.h"

namespace zub {

struct InitFile {
  std::string shown;   // the path as given, for messages
  std::string target;  // where the bytes are: the link's target for an own link
  bool exists = false;
  mode_t mode = 0644;  // of the existing file, or for a new one
  std::string text;    // its bytes (empty when it does not exist)
};

// Resolves and reads `path`. Fails with a message when a link or the file
// is another user's, the link leads nowhere, the file is not a regular file,
// is read-only or too large, or cannot be read, and, when `inside` is not
// empty, when the file (or, for a missing one, the directory it would be
// made in) resolves to a place outside the directory `inside` (a real
// path): a repository's `.claude` or `CLAUDE.md` link must not lead writes
// into the user's other files. A missing file (or directory) is no failure.
std::optional<InitFile> open_init_file(const std::string& path, std::string* why,
                                       const std::string& inside = "");

// Replaces the file's bytes with `text` (making its directory when
// missing), first keeping the old bytes as `backup` when that is not empty
// and the file existed. False with a message on failure; the file is then
// unchanged.
bool replace_init_file(const InitFile& f, std::string_view text, const std::string& backup,
                       std::string* why);

// Removes the file, and its directory when that is left empty (it was made
// for the file).
bool remove_init_file(const InitFile& f, std::string* why);

// "{path}:{line}:{column}: JSON 이 아니다: {reason}".
std::string json_error_text(const std::string& path, const JsonError& e);

// The directory part of a path ("." for a bare name).
std::string dir_part(const std::string& path);

}  // namespace zub
