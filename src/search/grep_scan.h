// The per-file part of `zub grep`: which lines a set of patterns selects and
// the report text of one file in each output mode. SearchPatterns are
// read-only and shared between worker threads; a ScanScratch belongs to one
// thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "re/matcher.h"
#include "re/pattern.h"
#include "search/grep_options.h"
#include "search/multi_needle.h"
#include "search/needle.h"

namespace zub {

// One pattern of the search: a literal needle or a compiled pattern, with
// the needle every match must contain (empty when none is known).
struct SearchPattern {
  bool literal = true;
  Needle needle;  // the literal itself, or the compiled pattern's required literal
  CompiledPattern compiled;
};

// The patterns of one call, and their needles prepared for one search that
// finds all of them at once (set only when every pattern has a needle).
struct PatternSet {
  std::vector<SearchPattern> list;
  MultiNeedle needles;
};

PatternSet make_pattern_set(std::vector<SearchPattern> list);

// One file's report text as printed with a given per-file limit.
struct FileReport {
  std::string text;
  uint64_t shown = 0;  // selected lines (or pieces) it shows
  uint64_t more = 0;   // selected lines (or pieces) it leaves out
  uint64_t lines = 0;  // lines it prints
};

struct FileResult {
  std::string path;
  FileReport capped;  // with the per-file limit
  // Without the limit (up to kOpenReportLines lines or matches), when the
  // limit was not given and left something out: the report may print this
  // one while it is short.
  FileReport open;
  bool has_open = false;
  uint64_t matched = 0;  // selected lines (pieces with -o; every repeat counts)
  // What `grep -rn` with the same patterns prints for the selected lines,
  // less "{path}:" in front of each: "{number}:{line}\n" (without the
  // number where lines are only counted).
  uint64_t plain_bytes = 0;
  uint64_t plain_lines = 0;
};

// A distinct selected line (or piece) of a file's report, with the numbers
// of the lines that repeat it.
struct FoldedLine {
  uint64_t line = 0;
  std::string text;
  std::vector<uint64_t> repeats;  // at most kMaxRepeatNumbers, ascending
  uint64_t repeats_left = 0;      // repeats on further lines beyond those
  uint64_t occurrences = 1;       // every selected line (piece) it stands for
};

// Line numbers kept per folded line; the rest are counted.
inline constexpr size_t kMaxRepeatNumbers = 200;

// Working state of one scanning thread.
struct ScanScratch {
  std::vector<MatchScratch> match;  // one per pattern
  std::vector<LineSpan> next_line;  // per pattern: the next line it occurs in
  // Fingerprint of each distinct text kept: its index in the file's folded
  // lines.
  std::unordered_map<uint64_t, uint32_t> seen;
  std::vector<std::pair<size_t, size_t>> pieces;
  std::vector<uint64_t> shown_lines;
  std::string cut;
  std::vector<size_t> shown_starts;
  MultiHit first_hit;         // when set, where the needles' first hit in the next text is
  uint64_t size_skipped = 0;  // files passed over for their size (--all reads them)
  uint64_t over_cap = 0;      // sources of unknown size refused past 32 MiB
  // Set once the report holds kOpenReportLines lines: no later file's whole
  // rendering can be printed, so none is made.
  const std::atomic<bool>* report_long = nullptr;
};

// One file's scan in progress, fed its text in pieces that end at a line
// feed (or at the end of the file).
struct FileScan {
  FileResult r;
  uint64_t selected = 0;
  std::vector<FoldedLine> folded;                  // the distinct lines kept, in order
  const std::atomic<bool>* report_long = nullptr;  // the scratch's, at begin_scan
};

// True when the whole-file prefilter applies: not inverted and every
// pattern has a needle.
bool prefilter_applies(const PatternSet& ps, bool invert);

// True when some pattern's needle occurs in `text`.
bool prefilter_passes(const PatternSet& ps, std::string_view text);

// Calls fn(line_number, line) for every selected line of `text`, in order
// (numbers from 1; a line's final carriage return is not part of it).
// Without `numbered` the numbers passed are not counted (callers that only
// count lines spare the work).
template <typename Fn>
void for_each_selected(const PatternSet& ps, bool invert, std::string_view text, ScanScratch& s,
                       Fn&& fn, bool numbered = true);

// Scans one file's text in the mode the options select; nullopt when no
// line is selected.
std::optional<FileResult> scan_file(const GrepOptions& o, const PatternSet& ps,
                                    std::string_view text, ScanScratch& s);

// True when the mode needs the whole text at once (context lines); the
// other modes can take a file in pieces through the calls below.
bool needs_whole_text(const GrepOptions& o);
void begin_scan(ScanScratch& s, size_t patterns, FileScan& f);
// `text` holds whole lines; `line_base` is the number of lines before it.
void scan_segment(const GrepOptions& o, const PatternSet& ps, std::string_view text,
                  uint64_t line_base, ScanScratch& s, FileScan& f);
std::optional<FileResult> finish_scan(const GrepOptions& o, FileScan& f);

// Appends a selected line elided at 120 bytes (head, "…{n}c…", tail); when
// its first match lies in the elided part, "…{n}c…", the 120 bytes from
// just before the match, "…{m}c…" instead.
void append_elided_hit(std::string& out, const PatternSet& ps, std::string_view line,
                       ScanScratch& s);

// Does pattern `k` occur in `line`?
bool pattern_occurs(const SearchPattern& p, MatchScratch& m, std::string_view line);

}  // namespace zub

#include "search/grep_select.inc"
