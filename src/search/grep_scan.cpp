#include "search/grep_scan.h"

#include <algorithm>
#include <cstring>

#include "base/elide.h"
#include "base/fnv.h"
#include "base/number.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

namespace {

constexpr size_t kColumns = 120;

// A line or piece cut to the column width, with "…" when it was cut.
void append_cut(std::string& out, std::string_view text) {
  if (text.size() <= kColumns) {
    out.append(text);
    return;
  }
  out.append(byte_cut(text, kColumns));
  out.append("…");
}

void append_more(std::string& out, uint64_t more) {
  if (more == 0) return;
  out.append("… +");
  append_number(out, more);
  out.append(" more\n");
}

uint64_t decimal_digits(uint64_t v) {
  uint64_t d = 1;
  while (v >= 10) {
    v /= 10;
    ++d;
  }
  return d;
}

void add_plain_line(FileResult& r, uint64_t line_no, std::string_view line) {
  r.plain_bytes += decimal_digits(line_no) + line.size() + 2;
  ++r.plain_lines;
}

// Non-overlapping occurrences of a literal, left to right.
void literal_pieces(const Needle& n, std::string_view line,
                    std::vector<std::pair<size_t, size_t>>& out) {
  if (n.bytes.empty()) return;
  size_t from = 0;
  for (;;) {
    const size_t at = needle_find(n, line, from);
    if (at == std::string_view::npos) return;
    out.emplace_back(at, at + n.bytes.size());
    from = at + n.bytes.size();
  }
}

void count_segment(const GrepOptions& o, const PatternSet& ps, std::string_view text,
                   ScanScratch& s, FileScan& f) {
  for_each_selected(
      ps, o.invert, text, s,
      [&](uint64_t, std::string_view line) {
        ++f.selected;
        f.r.plain_bytes += line.size() + 2;
        ++f.r.plain_lines;
      },
      false);
}

// Whether a file's report without the per-file limit may still be printed:
// not once the report has grown past what a short one shows.
bool open_wanted(const GrepOptions& o, const std::atomic<bool>* report_long) {
  return o.limits.open && !(report_long && report_long->load(std::memory_order_relaxed));
}

// Files `text` (selected at `line_no`) under the folded lines: a repeat of
// a kept text adds its line number there, a new text is kept while there
// is room (past it, only counted). A repeat on the line already recorded
// (two equal pieces of one line) adds no number. Only kept texts are
// remembered, so a file of many distinct hits costs no more than its report.
void fold_in(const GrepOptions& o, FileScan& f, ScanScratch& s, uint64_t line_no,
             std::string_view text) {
  const uint64_t print = line_fingerprint(text);
  const auto it = s.seen.find(print);
  if (it == s.seen.end()) {
    if (f.folded.size() >= o.limits.kept) return;
    s.seen.emplace(print, static_cast<uint32_t>(f.folded.size()));
    f.folded.push_back({line_no, std::string(text), {}, 0});
    return;
  }
  FoldedLine& line = f.folded[it->second];
  ++line.occurrences;
  const uint64_t last = line.repeats.empty() ? line.line : line.repeats.back();
  if (last == line_no) return;
  if (line.repeats.size() < kMaxRepeatNumbers)
    line.repeats.push_back(line_no);
  else
    ++line.repeats_left;
}

// The report of the first `limit` folded lines: "{n},{n}…| {text}" each,
// then "… +{more} more" for the selected lines (or pieces) left out.
FileReport render_folded(const std::vector<FoldedLine>& folded, uint64_t selected, uint64_t limit) {
  FileReport rep;
  for (size_t k = 0; k < folded.size() && k < limit; ++k) {
    const FoldedLine& line = folded[k];
    append_number(rep.text, line.line);
    for (uint64_t n : line.repeats) {
      rep.text.push_back(',');
      append_number(rep.text, n);
    }
    if (line.repeats_left > 0) {
      rep.text.append(",… +");
      append_number(rep.text, line.repeats_left);
    }
    rep.text.append("| ");
    rep.text.append(line.text);
    rep.text.push_back('\n');
    ++rep.lines;
  }
  // Every selected line or piece not among those shown is "more"; repeats
  // of a shown text on the same line are part of it.
  for (size_t k = 0; k < folded.size() && k < limit; ++k) rep.shown += folded[k].occurrences;
  rep.more = selected > rep.shown ? selected - rep.shown : 0;
  if (rep.more > 0) {
    append_more(rep.text, rep.more);
    ++rep.lines;
  }
  return rep;
}

void only_matching_segment(const GrepOptions& o, const PatternSet& ps, std::string_view text,
                           uint64_t line_base, ScanScratch& s, FileScan& f) {
  const std::vector<SearchPattern>& pats = ps.list;
  FileResult& r = f.r;
  std::string piece;
  for_each_selected(ps, false, text, s, [&](uint64_t line_no, std::string_view line) {
    ++f.selected;
    s.pieces.clear();
    for (size_t k = 0; k < pats.size(); ++k) {
      if (pats[k].literal)
        literal_pieces(pats[k].needle, line, s.pieces);
      else
        match_pieces(pats[k].compiled, s.match[k], line, s.pieces);
    }
    if (s.pieces.size() >= 2) {
      std::sort(s.pieces.begin(), s.pieces.end());
      s.pieces.erase(std::unique(s.pieces.begin(), s.pieces.end()), s.pieces.end());
    }
    for (const auto& [b, e] : s.pieces) {
      piece.clear();
      append_cut(piece, decode_lossy(line.substr(b, e - b)));
      // `grep -rno` prints each piece on a line of its own.
      add_plain_line(r, line_base + line_no, line.substr(b, e - b));
      ++r.matched;
      fold_in(o, f, s, line_base + line_no, piece);
    }
  });
}

// Where the first match in `line` starts, or npos.
size_t first_match(const PatternSet& ps, std::string_view line, ScanScratch& s) {
  s.pieces.clear();
  for (size_t k = 0; k < ps.list.size(); ++k) {
    if (ps.list[k].literal)
      literal_pieces(ps.list[k].needle, line, s.pieces);
    else
      match_pieces(ps.list[k].compiled, s.match[k], line, s.pieces);
  }
  size_t first = std::string_view::npos;
  for (const auto& piece : s.pieces) first = std::min(first, piece.first);
  return first;
}

// A window that shows a hit past the cut starts this many bytes before it.
constexpr size_t kBeforeHit = 30;

// Where the window that shows the hit at `at` of `line` starts: a
// character boundary at most kBeforeHit bytes before it.
size_t hit_window_start(std::string_view line, size_t at) {
  return floor_char_boundary(line, at > kBeforeHit ? at - kBeforeHit : 0);
}

// A selected line as listed: trimmed and cut to the column width. A hit
// past the width (a minified bundle, a one-line JSON document) is shown
// with the columns around it, after a "…" for what comes before: the
// line's head alone would not hold what matched.
void append_hit_line(std::string& out, const PatternSet& ps, bool invert, std::string_view line,
                     ScanScratch& s) {
  const std::string_view t = trim_ws(line);
  if (t.size() <= kColumns || invert) {
    append_cut(out, t);
    return;
  }
  const size_t lead = static_cast<size_t>(t.data() - line.data());
  const size_t at = first_match(ps, line, s);
  if (at == std::string_view::npos || at < lead || at - lead + 20 <= kColumns) {
    append_cut(out, t);
    return;
  }
  out.append("…");
  append_cut(out, t.substr(hit_window_start(t, at - lead)));
}

void default_segment(const GrepOptions& o, const PatternSet& ps, std::string_view text,
                     uint64_t line_base, ScanScratch& s, FileScan& f) {
  FileResult& r = f.r;
  std::string& cut = s.cut;
  for_each_selected(ps, o.invert, text, s, [&](uint64_t line_no, std::string_view line) {
    ++f.selected;
    add_plain_line(r, line_base + line_no, line);
    cut.clear();
    append_hit_line(cut, ps, o.invert, line, s);
    fold_in(o, f, s, line_base + line_no, cut);
  });
}

// Start of the line before the one that starts at `p` (p > 0).
size_t previous_line_start(std::string_view text, size_t p) {
  const void* back = p > 1 ? memrchr(text.data(), '\n', p - 1) : nullptr;
  return back ? static_cast<size_t>(static_cast<const char*>(back) - text.data()) + 1 : 0;
}

// The context report of the first `limit` of the selected lines in
// `s.shown_lines` (0-based numbers, with their byte offsets).
FileReport render_context(const GrepOptions& o, const PatternSet& ps, std::string_view text,
                          ScanScratch& s, uint64_t selected, uint64_t limit) {
  FileReport rep;
  const size_t count = std::min<uint64_t>(limit, s.shown_lines.size());
  // Ranges around the shown matches, merged when they touch or overlap; each
  // with the byte offset of its first line. A range's end may lie past the
  // last line: printing stops at the end of the text.
  struct Range {
    uint64_t lo, hi;
    size_t at;
  };
  std::vector<Range> ranges;
  for (size_t k = 0; k < count; ++k) {
    const uint64_t m = s.shown_lines[k];
    const uint64_t lo = m > o.before ? m - o.before : 0;
    const uint64_t hi = m + o.after < m ? UINT64_MAX : m + o.after;
    if (!ranges.empty() && lo <= ranges.back().hi + 1) {
      ranges.back().hi = std::max(ranges.back().hi, hi);
      continue;
    }
    size_t at = s.shown_starts[k];
    for (uint64_t j = m; j > lo; --j) at = previous_line_start(text, at);
    ranges.push_back({lo, hi, at});
  }
  size_t next_shown = 0;
  const size_t n = text.size();
  std::string& out = rep.text;
  for (size_t k = 0; k < ranges.size(); ++k) {
    if (k) {
      out.append("⋯\n");
      ++rep.lines;
    }
    size_t pos = ranges[k].at;
    for (uint64_t j = ranges[k].lo; j <= ranges[k].hi && pos < n; ++j) {
      const void* fwd = std::memchr(text.data() + pos, '\n', n - pos);
      const size_t nl = fwd ? static_cast<size_t>(static_cast<const char*>(fwd) - text.data()) : n;
      size_t le = nl;
      if (fwd && le > pos && text[le - 1] == '\r') --le;
      while (next_shown < count && s.shown_lines[next_shown] < j) ++next_shown;
      const bool is_match = next_shown < count && s.shown_lines[next_shown] == j;
      append_number(out, j + 1);
      out.push_back(is_match ? '>' : '-');
      out.push_back(' ');
      const std::string_view line = text.substr(pos, le - pos);
      if (is_match && !o.invert)
        append_elided_hit(out, ps, line, s);
      else
        append_elided(out, line, kColumns);
      out.push_back('\n');
      ++rep.lines;
      pos = nl + 1;
      if (j == UINT64_MAX) break;
    }
  }
  rep.shown = count;
  rep.more = selected - count;
  if (rep.more > 0) {
    append_more(out, rep.more);
    ++rep.lines;
  }
  return rep;
}

std::optional<FileResult> scan_context(const GrepOptions& o, const PatternSet& ps,
                                       std::string_view text, ScanScratch& s) {
  uint64_t selected = 0;
  s.shown_lines.clear();
  s.shown_starts.clear();
  FileResult r;
  const uint64_t keep = o.limits.kept;
  for_each_selected(ps, o.invert, text, s, [&](uint64_t line_no, std::string_view line) {
    ++selected;
    add_plain_line(r, line_no, line);
    if (s.shown_lines.size() < keep) {
      s.shown_lines.push_back(line_no - 1);
      s.shown_starts.push_back(static_cast<size_t>(line.data() - text.data()));
    }
  });
  if (selected == 0) return std::nullopt;
  r.matched = selected;
  r.capped = render_context(o, ps, text, s, selected, o.limits.per_file);
  if (open_wanted(o, s.report_long) && selected > o.limits.per_file) {
    r.open = render_context(o, ps, text, s, selected, keep);
    r.has_open = true;
  }
  return r;
}

}  // namespace

void append_elided_hit(std::string& out, const PatternSet& ps, std::string_view line,
                       ScanScratch& s) {
  const size_t head = kColumns * 7 / 10;
  const size_t at = line.size() <= kColumns ? std::string_view::npos : first_match(ps, line, s);
  if (at == std::string_view::npos || at + 20 <= head || at >= line.size() - (kColumns - head)) {
    append_elided(out, line, kColumns);
    return;
  }
  const size_t from = hit_window_start(line, at);
  const std::string_view window = byte_cut(line.substr(from), kColumns);
  const size_t after = from + window.size();
  out.append("…");
  append_number(out, from);
  out.append("c…");
  out.append(window);
  if (after < line.size()) {
    out.append("…");
    append_number(out, line.size() - after);
    out.append("c…");
  }
}

bool pattern_occurs(const SearchPattern& p, MatchScratch& m, std::string_view line) {
  if (p.literal) return needle_find(p.needle, line, 0) != std::string_view::npos;
  return occurs(p.compiled, m, line);
}

PatternSet make_pattern_set(std::vector<SearchPattern> list) {
  PatternSet ps;
  ps.list = std::move(list);
  bool all = !ps.list.empty();
  for (const SearchPattern& p : ps.list) all = all && !p.needle.bytes.empty();
  if (all) {
    std::vector<std::string_view> needles;
    for (const SearchPattern& p : ps.list) needles.push_back(p.needle.bytes);
    ps.needles = make_multi_needle(needles, ps.list[0].needle.icase);
  }
  return ps;
}

bool prefilter_applies(const PatternSet& ps, bool invert) {
  if (invert) return false;
  for (const SearchPattern& p : ps.list)
    if (p.needle.bytes.empty()) return false;
  return true;
}

bool prefilter_passes(const PatternSet& ps, std::string_view text) {
  return multi_find(ps.needles, text, 0).pos != std::string_view::npos;
}

bool needs_whole_text(const GrepOptions& o) {
  if (o.files_only || o.count) return false;
  if (o.only_matching && !o.invert) return false;
  return o.before > 0 || o.after > 0;
}

void begin_scan(ScanScratch& s, size_t patterns, FileScan& f) {
  if (s.match.size() < patterns) s.match.resize(patterns);
  s.seen.clear();
  f.report_long = s.report_long;
  f.r = FileResult{};
  f.selected = 0;
  f.folded.clear();
}

void scan_segment(const GrepOptions& o, const PatternSet& ps, std::string_view text,
                  uint64_t line_base, ScanScratch& s, FileScan& f) {
  if (o.files_only || o.count)
    count_segment(o, ps, text, s, f);
  else if (o.only_matching && !o.invert)
    only_matching_segment(o, ps, text, line_base, s, f);
  else
    default_segment(o, ps, text, line_base, s, f);
}

std::optional<FileResult> finish_scan(const GrepOptions& o, FileScan& f) {
  if (f.selected == 0) return std::nullopt;
  FileResult& r = f.r;
  if (o.files_only || o.count) {
    r.matched = f.selected;
    return std::move(r);
  }
  if (!(o.only_matching && !o.invert)) r.matched = f.selected;
  r.capped = render_folded(f.folded, r.matched, o.limits.per_file);
  if (open_wanted(o, f.report_long) && r.capped.more > 0) {
    r.open = render_folded(f.folded, r.matched, o.limits.kept);
    r.has_open = true;
  }
  return std::move(r);
}

std::optional<FileResult> scan_file(const GrepOptions& o, const PatternSet& ps,
                                    std::string_view text, ScanScratch& s) {
  if (needs_whole_text(o)) {
    if (s.match.size() < ps.list.size()) s.match.resize(ps.list.size());
    return scan_context(o, ps, text, s);
  }
  FileScan f;
  begin_scan(s, ps.list.size(), f);
  scan_segment(o, ps, text, 0, s, f);
  return finish_scan(o, f);
}

}  // namespace zub
