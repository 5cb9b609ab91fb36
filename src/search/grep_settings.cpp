#include "search/grep_settings.h"

#include <algorithm>

#include "base/ascii.h"

namespace zub {

namespace {

// True when some pattern holds an upper-case letter (-S). In a pattern read
// as an expression the letter after a backslash names a class or an
// anchor ("\\S", "\\B"), not a letter to find.
bool has_upper_case(const GrepOptions& o) {
  const bool escapes = o.syntax != PatternSyntax::kFixed;
  for (const std::string& text : o.patterns) {
    for (size_t k = 0; k < text.size(); ++k) {
      if (escapes && text[k] == '\\') {
        ++k;
        continue;
      }
      if (is_upper(text[k])) return true;
    }
  }
  return false;
}

GrepLimits resolve_limits(const GrepOptions& o) {
  GrepLimits l;
  // Context lines make each shown hit several lines long: half as many
  // (of the default number, which "-n 8" also names).
  l.per_file = o.context_requested && o.limit == kPerFileDefault ? kPerFileDefault / 2 : o.limit;
  l.open = !o.limit_given;
  l.kept = l.open ? std::max<uint64_t>(l.per_file, kOpenReportLines) : l.per_file;
  // A list of paths or counts is one short line per file: more of them
  // than the default (or "--max-files 400") allows.
  const bool one_line_each = o.files_only || o.files_without_match || o.count;
  l.files = one_line_each && o.file_cap == 400 ? 1000 : o.file_cap;
  // find's spellings ask for find's listing, which an agent cuts with
  // `| head`: as many paths as a short report shows whole.
  l.find_listing = o.list_files && o.find_tests;
  if (l.find_listing && o.file_cap == 400) l.files = kOpenReportLines;
  return l;
}

}  // namespace

void resolve_grep_settings(GrepOptions& o) {
  // "-n 404 src": taken as the limit, the number leaves no root, which is
  // never what was meant; GNU grep reads it as the flag and the pattern.
  if (o.roots.empty() && !o.limit_text.empty() && !o.pattern_by_e && o.patterns.size() <= 1) {
    o.roots = std::move(o.patterns);
    o.patterns = {o.limit_text};
    o.limit = GrepOptions{}.limit;
    o.limit_given = false;
  }
  // ripgrep's --files: the files a search would read, with no pattern.
  if (o.list_files && !o.pattern_by_e) {
    o.roots.insert(o.roots.begin(), o.patterns.begin(), o.patterns.end());
    o.patterns = {""};
    o.syntax = PatternSyntax::kFixed;
    o.files_only = true;
  }
  if (o.smart_case && !o.icase) o.icase = !has_upper_case(o);
  o.limits = resolve_limits(o);
}

}  // namespace zub
