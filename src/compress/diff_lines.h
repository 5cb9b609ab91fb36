// Tells, line by line, which lines of a capture belong to a unified diff
// (git diff, git show, git log -p, diff -u). A diff's lines are not log
// lines: a "-  }" that repeats is another removed line, and a hunk header
// with the same numbers belongs to another file, so dropping repeats would
// change what the diff says. Hunks are followed by their line counts, so a
// hunk ends where its header says and not at the next line that happens to
// start with a space. Two things a diff says twice or that nobody reads are
// marked for folding: git's "index" line and its "---"/"+++" lines (the
// "diff --git" line above them names both paths), and the body of a file
// the diff deletes whole. The header lines of a commit in git log or git
// show are kept too: the second commit of the same author still has an
// author. One tracker per capture; not thread-safe.
#pragma once

#include <cstdint>
#include <string_view>

namespace zub {

enum class DiffLine {
  kOther,         // not part of a diff: the caller's own rules apply
  kKeep,          // a diff line: shown as it is, never dropped as a repeat
  kFoldedHeader,  // git's "index", "---" or "+++" line: left out
  kDeletedHead,   // the hunk header of a file deleted whole: shown with a note
  kDeletedBody,   // a line of that hunk: left out
};

class DiffTracker {
 public:
  // Classifies the next line (without its line feed).
  DiffLine next(std::string_view line);

  // Lines of a deleted file's hunk, as its header counts them.
  uint64_t deleted_count() const { return hunk_old_; }

 private:
  enum class State { kOutside, kCommitHeader, kGitHeader, kHunk, kCombinedHunk, kAfterHunk };

  DiffLine outside(std::string_view line);
  DiffLine hunk_line(std::string_view line);
  bool start_hunk(std::string_view line);

  State state_ = State::kOutside;
  bool deleting_ = false;      // the current git header says "deleted file mode"
  bool deleted_body_ = false;  // the current hunk is that file's whole body
  uint64_t old_left_ = 0;
  uint64_t new_left_ = 0;
  uint64_t hunk_old_ = 0;
};

}  // namespace zub
