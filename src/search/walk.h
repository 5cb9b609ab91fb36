// The source-tree walker: turns the roots of a search into one ordered list
// of candidate files, keeping out dependency/build/tool directories (the
// skip-name test), non-source files and whatever the user's filters exclude.
// Also the content gate that decides whether a listed file is scanned.
// All functions are reentrant; a walk holds only its own stack.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_io.h"

namespace zub {

// Settings of one walk.
struct FileFilter {
  std::vector<std::string> extensions;  // without dots; empty = no filter
  std::vector<std::string> names;       // name globs; any one must match
  std::vector<std::string> excludes;    // exclusion globs
  bool include_all = false;             // lifts the non-source table and size cap
  // The deepest level of a directory root's files that is listed: 1 is the
  // root's own files, 0 none of them (ripgrep's --max-depth).
  uint64_t max_depth = UINT64_MAX;
  // find's -name, -iname and -path: each kind given must match, any one of
  // its globs. Names are the last path component (-iname ignoring ASCII
  // case), paths as listed; they test directories as well as files.
  std::vector<std::string> find_names, find_inames, find_paths;
};

struct WalkResult {
  std::vector<std::string> files;  // in walk order
  uint64_t non_source_skipped = 0;
  uint64_t too_long_skipped = 0;  // see walk_roots_each
};

// The roots a walk starts from: those given, or else the working directory,
// as with every search tool's habit.
const std::vector<std::string>& roots_or_here(const std::vector<std::string>& roots);

// Walks `roots` in order. Never fails: unreadable directories and entries
// are passed over. Order: a directory's files as listed, then its
// subdirectories, last listed first. Symbolic links inside a tree are not
// followed; a root that is a link to a directory is walked.
WalkResult walk_roots(const std::vector<std::string>& roots, const FileFilter& filter);

// The same walk handing each listed path to `emit` as it is found, in the
// same order, without keeping the list; returns the non-source skipped count.
// Directories and files whose path reaches PATH_MAX cannot be opened by it;
// they are passed over and counted in `*too_long` when it is given. With
// `dirs`, each directory below a root within max_depth that passes the find
// tests goes there, before its own files.
using WalkSink = std::function<void(std::string&&)>;
uint64_t walk_roots_each(const std::vector<std::string>& roots, const FileFilter& filter,
                         const WalkSink& emit, uint64_t* too_long = nullptr,
                         const WalkSink* dirs = nullptr);

// Largest file the content gate admits without the include-all flag.
inline constexpr uint64_t kMaxScanBytes = 2u << 20;

// A read buffer reused across files: grows, never shrinks, never zero-fills.
// A file over the size cap read with include_all is mapped instead.
struct ReadBuffer {
  std::unique_ptr<char[]> bytes;
  size_t cap = 0;
  size_t len = 0;
  ReadResult mapped;
  bool use_map = false;
  std::string_view view() const {
    return use_map ? mapped.text() : std::string_view(bytes.get(), len);
  }
};

// Reads a listed file into `buf` with memory bounded whatever the file is.
// Devices and sockets are refused. Without include_all a regular file over
// 2 MiB is passed over before any of it is read, and a source of unknown
// size (a pipe, a /proc file) that delivers more is dropped. With it a large
// regular file is mapped and a source of unknown size may deliver up to
// kMaxUnmappedBytes. False when the file is not to be used.
bool read_listed_file(const std::string& path, bool include_all, ReadBuffer& buf);

// The same with the size limit `cap` in place of the 2 MiB cap (a regular
// file over 2 MiB and within `cap` is mapped; a source of unknown size may
// deliver up to min(cap, kMaxUnmappedBytes)), telling a file refused for its
// size apart from one that could not be read.
enum class ListedRead : uint8_t { kRead, kFailed, kTooLarge };
ListedRead read_listed_file_capped(const std::string& path, uint64_t cap, ReadBuffer& buf);

// Reads `path` into `buf` and answers whether it is to be scanned: readable
// within the bounds above, no NUL in its first 1,024 bytes, and valid UTF-8.
// Skips are silent.
bool content_gate(const std::string& path, bool include_all, ReadBuffer& buf);

}  // namespace zub
