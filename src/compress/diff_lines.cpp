#include "compress/diff_lines.h"

#include <optional>

#include "base/ascii.h"
#include "base/number.h"
#include "base/text.h"

namespace zub {

namespace {

// Extended header lines of git that say something of their own.
constexpr std::string_view kGitHeaderLines[] = {
    "old mode ",          "new mode ",
    "deleted file mode ", "new file mode ",
    "copy from ",         "copy to ",
    "rename from ",       "rename to ",
    "similarity index ",  "dissimilarity index ",
    "Binary files ",
};

// The lines git log and git show write between "commit {hash}" and the
// message.
constexpr std::string_view kCommitHeaderLines[] = {
    "Author: ", "AuthorDate: ", "Commit: ", "CommitDate: ", "Date: ", "Merge: ",
};

// "commit " and at least seven hexadecimal digits (a decoration may follow).
bool starts_commit(std::string_view line) {
  if (!starts_with(line, "commit ")) return false;
  size_t i = 7;
  while (i < line.size() && is_hex_digit(line[i])) ++i;
  return i - 7 >= 7 && (i == line.size() || line[i] == ' ');
}

bool starts_git_diff(std::string_view line) {
  return starts_with(line, "diff --git ") || starts_with(line, "diff --cc ") ||
         starts_with(line, "diff --combined ");
}

// Reads "N" or "N,M" at the front of `s` (M is 1 when absent) and moves
// `s` past it.
std::optional<std::pair<uint64_t, uint64_t>> take_range(std::string_view& s) {
  size_t i = 0;
  while (i < s.size() && is_digit(s[i])) ++i;
  const std::optional<uint64_t> start = parse_u64(s.substr(0, i));
  if (!start) return std::nullopt;
  uint64_t count = 1;
  if (i < s.size() && s[i] == ',') {
    size_t j = i + 1;
    while (j < s.size() && is_digit(s[j])) ++j;
    const std::optional<uint64_t> c = parse_u64(s.substr(i + 1, j - i - 1));
    if (!c) return std::nullopt;
    count = *c;
    i = j;
  }
  s.remove_prefix(i);
  return std::make_pair(*start, count);
}

}  // namespace

bool DiffTracker::start_hunk(std::string_view line) {
  if (starts_with(line, "@@@ -")) {
    if (line.find(" @@@", 4) == std::string_view::npos) return false;
    state_ = State::kCombinedHunk;
    deleted_body_ = false;
    return true;
  }
  if (!starts_with(line, "@@ -")) return false;
  std::string_view s = line.substr(4);
  const auto old_range = take_range(s);
  if (!old_range || !starts_with(s, " +")) return false;
  s.remove_prefix(2);
  const auto new_range = take_range(s);
  if (!new_range || !starts_with(s, " @@")) return false;
  old_left_ = old_range->second;
  new_left_ = new_range->second;
  hunk_old_ = old_left_;
  deleted_body_ = deleting_ && new_range->first == 0 && new_left_ == 0 && old_left_ > 0;
  state_ = old_left_ == 0 && new_left_ == 0 ? State::kAfterHunk : State::kHunk;
  return true;
}

DiffLine DiffTracker::outside(std::string_view line) {
  state_ = State::kOutside;
  if (line.empty()) return DiffLine::kOther;
  if (line[0] == 'c' && starts_commit(line)) {
    state_ = State::kCommitHeader;
    return DiffLine::kKeep;
  }
  if (line[0] == 'd' && starts_git_diff(line)) {
    state_ = State::kGitHeader;
    deleting_ = false;
    return DiffLine::kKeep;
  }
  if (line[0] == '@' && start_hunk(line)) return DiffLine::kKeep;
  return DiffLine::kOther;
}

DiffLine DiffTracker::hunk_line(std::string_view line) {
  // A context line whose single space an editor or a copy stripped is
  // still a context line.
  const char c = line.empty() ? ' ' : line[0];
  if (c == '\\') return deleted_body_ ? DiffLine::kDeletedBody : DiffLine::kKeep;
  if (c == ' ' && old_left_ > 0 && new_left_ > 0) {
    --old_left_;
    --new_left_;
  } else if (c == '-' && old_left_ > 0) {
    --old_left_;
  } else if (c == '+' && new_left_ > 0) {
    --new_left_;
  } else {
    // Not what the header announced: the hunk was cut short.
    return outside(line);
  }
  if (old_left_ == 0 && new_left_ == 0) state_ = State::kAfterHunk;
  return deleted_body_ ? DiffLine::kDeletedBody : DiffLine::kKeep;
}

DiffLine DiffTracker::next(std::string_view line) {
  switch (state_) {
    case State::kOutside: return outside(line);
    case State::kCommitHeader:
      for (std::string_view h : kCommitHeaderLines)
        if (starts_with(line, h)) return DiffLine::kKeep;
      return outside(line);
    case State::kHunk: return hunk_line(line);
    case State::kCombinedHunk:
      if (!line.empty() && (line[0] == ' ' || line[0] == '+' || line[0] == '-'))
        return DiffLine::kKeep;
      return outside(line);
    case State::kAfterHunk:
      // "\ No newline at end of file" follows the hunk's last line.
      if (starts_with(line, "\\")) return deleted_body_ ? DiffLine::kDeletedBody : DiffLine::kKeep;
      return outside(line);
    case State::kGitHeader:
      if (starts_with(line, "index ") || starts_with(line, "--- ") || starts_with(line, "+++ "))
        return DiffLine::kFoldedHeader;
      for (std::string_view h : kGitHeaderLines) {
        if (starts_with(line, h)) {
          if (h == "deleted file mode ") deleting_ = true;
          return DiffLine::kKeep;
        }
      }
      if (start_hunk(line)) return deleted_body_ ? DiffLine::kDeletedHead : DiffLine::kKeep;
      return outside(line);
  }
  return DiffLine::kOther;
}

}  // namespace zub
