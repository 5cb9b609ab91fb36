// Reading one listed file for `zub grep` and scanning it: a regular file in
// pieces that end at a line feed, so a worker's buffer stays small however
// large the files; anything else through the content gate whole.
#pragma once

#include <optional>
#include <string>

#include "search/grep_options.h"
#include "search/grep_scan.h"
#include "search/walk.h"

namespace zub {

// Reads, gates and scans the file at `path`; its result carries the path.
// A file named on the command line (`named`) is read up to kMaxUnmappedBytes,
// any other up to kMaxScanBytes; one passed over for its size is counted in
// s.size_skipped.
std::optional<FileResult> scan_path(const GrepOptions& o, const PatternSet& ps, std::string&& path,
                                    ScanScratch& s, ReadBuffer& buf, bool named = false);

}  // namespace zub
