#include "search/grep.h"

#include <sys/stat.h>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <span>
#include <thread>

#include "base/elide.h"
#include "base/env.h"
#include "base/file_io.h"
#include "base/fnv.h"
#include "base/head_tail.h"
#include "base/os_error.h"
#include "base/shown_path.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "re/bre.h"
#include "re/compile.h"
#include "search/display_path.h"
#include "search/find_list.h"
#include "search/grep_file.h"
#include "search/grep_options.h"
#include "search/grep_scan.h"
#include "search/grep_settings.h"
#include "search/ordered_scan.h"
#include "search/walk.h"

namespace zub {

namespace {

constexpr std::string_view kNoRoot =
    "zub grep: ROOT 가 없다: 경로를 반드시 지정해라(인자 없는 rg 가 stdin 을 물고 멈추던 사고를 "
    "막는 "
    "규약이다)";

// Shown when no root was given and "." was searched.
constexpr std::string_view kNoRootNote = "[ROOT 없음: . 을 찾았다]\n";

std::string usage_line() { return std::string(kGrepUsage) + "\n"; }

// How a pattern text is read.
enum class Reading : uint8_t { kLiteral, kBasic, kExtended };

// The tries of a search without -E, -F or -G, in order, each made only when
// the ones before found nothing.
enum class Try : uint8_t { kFirst, kBasic, kExtended };

// Operators of an extended regex that are plain characters in a basic one:
// alternation, groups and repetition without backslashes, as `rg` and
// `grep -E` users type them ("a|b").
bool has_extended_operators(std::string_view text) {
  return text.find_first_of("|+?(){") != std::string_view::npos;
}

// How the options read `text` on try `t`. A pattern without -E, -F or -G
// is a basic regex when it uses GNU grep's backslash operators, and else a
// literal; after a literal search found nothing it is tried as a basic
// regex when it holds any character special to one (GNU grep's reading:
// "func (l \*List)"), and after that as an extended regex when it holds an
// operator of one (ripgrep's: "a|b").
Reading reading_of(const GrepOptions& o, std::string_view text, Try t) {
  switch (o.syntax) {
    case PatternSyntax::kBasic: return Reading::kBasic;
    case PatternSyntax::kExtended: return Reading::kExtended;
    case PatternSyntax::kFixed: return Reading::kLiteral;
    case PatternSyntax::kDefault: break;
  }
  if (has_bre_operators(text)) return Reading::kBasic;
  if (t == Try::kExtended && has_extended_operators(text)) return Reading::kExtended;
  if (t != Try::kFirst && has_bre_specials(text)) return Reading::kBasic;
  return Reading::kLiteral;
}

// True when try `t` reads some pattern otherwise than the try before it.
bool try_differs(const GrepOptions& o, Try t) {
  if (o.syntax != PatternSyntax::kDefault || o.invert) return false;
  const Try before = t == Try::kExtended ? Try::kBasic : Try::kFirst;
  for (const std::string& text : o.patterns)
    if (reading_of(o, text, t) != reading_of(o, text, before)) return true;
  return false;
}

// Builds the search patterns in order; the first that does not compile
// ends the build with its error text.
std::optional<std::vector<SearchPattern>> build_patterns(const GrepOptions& o, Try t,
                                                         std::string& error) {
  std::vector<SearchPattern> pats;
  for (const std::string& text : o.patterns) {
    SearchPattern p;
    const Reading reading = reading_of(o, text, t);
    const bool basic = reading == Reading::kBasic;
    const bool regex = reading != Reading::kLiteral;
    if (o.word || o.whole_line || regex) {
      const std::string expr = basic ? bre_to_pattern(text) : regex ? text : escape_literal(text);
      // As in GNU grep, -x wins over -w.
      const std::string src = o.whole_line ? "^(?:" + expr + ")$"
                              : o.word     ? "\\b(?:" + expr + ")\\b"
                                           : expr;
      CompileResult c = compile_pattern(src, o.icase);
      if (!c.ok) {
        error = std::move(c.error);
        return std::nullopt;
      }
      p.literal = false;
      p.needle = make_needle(c.pattern.required, o.icase);
      p.compiled = std::move(c.pattern);
    } else {
      p.needle = make_needle(text, o.icase);
    }
    pats.push_back(std::move(p));
  }
  return pats;
}

struct Filtered {
  std::string body;
  uint64_t matched = 0;
  uint64_t plain = 0;  // what `grep -n` prints: "{number}:{line}\n"
};

// Selects the lines of `parts` (the input around a gap line, which is zub's
// own and never a hit) and numbers them as one text.
Filtered filter_text(const GrepOptions& o, const PatternSet& pats,
                     std::span<const std::string_view> parts) {
  ScanScratch s;
  Filtered f;
  uint64_t dups = 0;
  std::unordered_set<uint64_t> seen;
  for (std::string_view part : parts) {
    // Like the filters, one invalid byte must not hide every other line of a
    // build log: each invalid sequence becomes U+FFFD.
    std::string decoded;
    std::string_view text = part;
    if (!is_valid_utf8(part)) {
      decoded = decode_lossy(part);
      text = decoded;
    }
    for_each_selected(pats, o.invert, text, s, [&](uint64_t line_no, std::string_view line) {
      ++f.matched;
      f.plain += line.size() + 2;
      for (uint64_t v = line_no; v > 0; v /= 10) ++f.plain;
      if (o.count) return;
      if (!seen.insert(line_fingerprint(line)).second) {
        ++dups;
        return;
      }
      if (o.invert)
        append_elided(f.body, line, 120);
      else
        append_elided_hit(f.body, pats, line, s);
      f.body.push_back('\n');
    });
  }
  if (o.count) {
    f.body = std::to_string(f.matched) + "\n";
  } else if (dups > 0) {
    f.body += '[';
    f.body += std::to_string(f.matched);
    f.body += " matched, ";
    f.body += std::to_string(dups);
    f.body += " dup lines collapsed]\n";
  }
  return f;
}

// A further try: the patterns read as regexes, and the note shown before
// its report.
struct Retry {
  PatternSet pats;
  std::string_view note;
};

// The further tries worth making when a literal search finds nothing, in
// order; a try whose patterns do not compile is left out.
std::vector<Retry> retries(const GrepOptions& o) {
  std::vector<Retry> out;
  for (const auto& [t, note] : {
           std::pair{Try::kBasic, std::string_view("[리터럴로는 0건: GNU grep 처럼 정규식(BRE)으로 "
                                                   "다시 찾았다. 리터럴만 원하면 -F]\n")},
           std::pair{Try::kExtended, std::string_view("[리터럴로는 0건: rg·grep -E 처럼 "
                                                      "정규식(ERE)으로 다시 찾았다. 리터럴만 "
                                                      "원하면 -F]\n")},
       }) {
    if (!try_differs(o, t)) continue;
    std::string ignored;
    if (std::optional<std::vector<SearchPattern>> b = build_patterns(o, t, ignored))
      out.push_back(Retry{make_pattern_set(std::move(*b)), note});
  }
  return out;
}

// `retries`: the further tries while the search finds nothing. Standard
// input within the filters' cap: past it, the head and the tail are
// searched and a note says how much lay between them.
Outcome run_stdin(const GrepOptions& o, const PatternSet& pats, const std::vector<Retry>& retries,
                  Output& out) {
  const uint64_t cap = filter_input_cap();
  const CappedRead in = read_fd_capped(0, cap);
  const std::string_view all = in.in.text();
  const std::string_view parts[2] = {
      all.substr(0, in.left_out > 0 ? in.gap_at : all.size()),
      in.left_out > 0 ? all.substr(in.gap_at + in.gap_size) : std::string_view()};
  Filtered f = filter_text(o, pats, parts);
  std::string notes;  // of every further try made
  for (size_t k = 0; f.matched == 0 && k < retries.size(); ++k) {
    f = filter_text(o, retries[k].pats, parts);
    notes += retries[k].note;
  }
  if (!o.count) f.body.insert(0, notes);
  if (o.files_without_match) {
    // Listed by GNU grep's name for it when nothing in it matched.
    constexpr std::string_view kStdinName = "(standard input)\n";
    const bool listed = f.matched == 0;
    if (listed && !o.quiet) out.write_out(kStdinName);
    return {listed ? 0 : 1, listed ? kStdinName.size() : 0};
  }
  if (o.quiet) return {f.matched > 0 ? 0 : 1, 0};  // `grep -q` prints nothing
  // `grep -c` prints the count alone, `grep -l` the name it gives stdin.
  if (o.count) f.plain = std::to_string(f.matched).size() + 1;
  if (o.files_only) f.plain = f.matched > 0 ? std::string_view("(standard input)\n").size() : 0;
  const bool found = !is_blank(f.body);
  if (in.left_out > 0) f.body += head_tail_note("grep", "입력", in.total, in.left_out, cap);
  out.write_out(f.body);
  return {found ? 0 : 1, f.plain};
}

// The report, built in walk order and written out in large pieces as it
// grows, so its size in memory does not depend on the tree.
class Report {
 public:
  Report(const GrepOptions& o, const std::optional<std::string>& base, Output& out)
      : o_(o), base_(base), out_(out) {}

  void add(const FileResult& r) {
    if (o_.files_without_match) {
      add_if_absent(r);
      return;
    }
    ++files;
    hits += r.matched;
    plain += plain_bytes(r);
    // A short report shows each file whole; once it has grown long the
    // per-file limit holds.
    const FileReport& rep =
        r.has_open && lines_ + r.open.lines <= kOpenReportLines ? r.open : r.capped;
    lines_ += rep.lines;
    if (lines_ >= kOpenReportLines) long_.store(true, std::memory_order_relaxed);
    capped += rep.more;
    if (o_.quiet || files > o_.limits.files) return;
    if (files == 1 && base_ && !o_.null_names) {
      body_ += "@ ";
      append_shown_path(body_, *base_);
      body_ += "/\n";
    }
    if (o_.files_only) {
      append_listed(r.path);
    } else if (o_.count) {
      body_ += std::to_string(r.matched) + " ";
      append_path_text(body_, display_path(r.path, base_));
      body_.push_back('\n');
    } else {
      body_ += "── ";
      append_path_text(body_, display_path(r.path, base_));
      if (rep.more > 0) body_ += " (" + std::to_string(r.matched) + " hits)";
      body_.push_back('\n');
      body_ += rep.text;
      shown += rep.shown;
    }
    if (body_.size() >= kFlushBytes) {
      out_.write_out(body_);
      body_.clear();
    }
  }

  void finish(uint64_t non_source, uint64_t too_long, uint64_t size_skipped, uint64_t over_cap) {
    if (o_.quiet) return;
    // With -Z the paths alone are standard output; what is said about them
    // goes to standard error.
    std::string notes;
    std::string& said = o_.null_names && (o_.files_only || o_.files_without_match) ? notes : body_;
    if (files > o_.limits.files)
      said += "[… " + std::to_string(files - o_.limits.files) +
              " 파일 더 있음: 범위를 좁히거나 --max-files 를 올려라]\n";
    said += '[';
    if (o_.files_without_match)
      said += std::to_string(files) + " files without match, " + std::to_string(searched_) +
              " searched";
    else
      said += std::to_string(files) + " files, " + std::to_string(hits) + " hits";
    if (capped > 0)
      said += ", " + std::to_string(shown) + " shown, " + std::to_string(capped) + " capped";
    if (non_source > 0) said += ", " + std::to_string(non_source) + " non-source skipped (--all)";
    if (size_skipped > 0) said += ", " + std::to_string(size_skipped) + " skipped for size (--all)";
    if (over_cap > 0) said += ", " + std::to_string(over_cap) + " skipped for size (over 32 MiB)";
    if (too_long > 0) said += ", " + std::to_string(too_long) + " paths over PATH_MAX skipped";
    said += "]\n";
    out_.write_out(body_);
    body_.clear();
    if (!notes.empty()) out_.write_err(notes);
  }

  uint64_t files = 0, hits = 0, shown = 0, capped = 0;
  uint64_t plain = 0;  // what the plain grep for the same question would have printed

  // Set once the report is long: the files added after it print with the
  // per-file limit whatever their whole rendering, which the scan then
  // spares. Files are added in walk order, so no file scanned after the
  // flag is set is added before the file that set it.
  const std::atomic<bool>& long_report() const { return long_; }

 private:
  // What `grep -r` with the same question prints for a file with hits:
  // "{path}:{n}:{line}" per selected line (per piece with -o), the path
  // alone with -l, "{path}:{count}" with -c (GNU grep's zero lines left
  // out), nothing with -q.
  uint64_t plain_bytes(const FileResult& r) const {
    if (o_.quiet || r.matched == 0) return 0;
    if (o_.files_only) return r.path.size() + 1;
    if (o_.count) return r.path.size() + 1 + std::to_string(r.matched).size() + 1;
    return r.plain_bytes + r.plain_lines * (r.path.size() + 1);
  }

  // -L: `r` is every file searched, with its count of selected lines; one
  // without any is listed. The list is not flushed before the end: it may
  // yet give way to the second try's (and -L lists at most file_cap paths).
  void add_if_absent(const FileResult& r) {
    ++searched_;
    hits += r.matched;
    if (r.matched > 0) return;
    ++files;
    if (!o_.quiet) plain += r.path.size() + 1;
    if (o_.quiet || files > o_.limits.files) return;
    if (files == 1 && base_ && !o_.null_names) {
      body_ += "@ ";
      append_shown_path(body_, *base_);
      body_ += "/\n";
    }
    append_listed(r.path);
  }

  // -l, -L: a path per line, escaped as every report shows paths; with -Z
  // a list for `xargs -0`, each path as it is (any byte but NUL can be in
  // a name, and an escaped one names another file) and ended by a NUL.
  void append_listed(std::string_view path) {
    if (o_.null_names) {
      body_.append(path);
      body_.push_back('\0');
      return;
    }
    append_path_text(body_, path);
    body_.push_back('\n');
  }

  uint64_t searched_ = 0;  // -L: files searched
  static constexpr size_t kFlushBytes = 64 * 1024;
  const GrepOptions& o_;
  const std::optional<std::string>& base_;
  Output& out_;
  std::string body_;
  uint64_t lines_ = 0;  // report lines so far
  std::atomic<bool> long_{false};
};

// One file's scan as the ordered scan hands it on: its result, if it has
// one, and whether it was passed over for its size.
struct ScannedFile {
  std::optional<FileResult> result;
  bool size_skipped = false;  // over the 2 MiB cap (--all reads it)
  bool over_cap = false;      // a source of unknown size refused past 32 MiB
};

// A worker's scanner: its scratch space and read buffer live as long as it.
class FileScanner {
 public:
  FileScanner(const GrepOptions& o, const PatternSet& pats, const std::vector<std::string>& named,
              const std::atomic<bool>& long_report)
      : o_(o), pats_(pats), named_(named) {
    scratch_.report_long = &long_report;
  }

  std::optional<ScannedFile> operator()(std::string&& path) {
    const bool named = std::find(named_.begin(), named_.end(), path) != named_.end();
    const uint64_t skipped = scratch_.size_skipped, over = scratch_.over_cap;
    ScannedFile f;
    f.result = scan_path(o_, pats_, std::move(path), scratch_, buf_, named);
    f.size_skipped = scratch_.size_skipped != skipped;
    f.over_cap = scratch_.over_cap != over;
    if (!f.result && !f.size_skipped && !f.over_cap) return std::nullopt;
    return f;
  }

 private:
  const GrepOptions& o_;
  const PatternSet& pats_;
  const std::vector<std::string>& named_;  // roots that are files: read up to read's cap
  ScanScratch scratch_;
  ReadBuffer buf_;
};

struct ScanCounts {
  OrderedScanCounts walk;
  uint64_t size_skipped = 0, over_cap = 0;
};

// Scans the files under `roots` on `workers` threads and adds each file
// with a result to `report`, in walk order.
ScanCounts scan_into(const GrepOptions& o, const PatternSet& pats,
                     const std::vector<std::string>& roots, const std::vector<std::string>& named,
                     size_t workers, Report& report) {
  ScanCounts c;
  c.walk = scan_in_walk_order<ScannedFile>(
      roots, o.filter, workers, [&] { return FileScanner(o, pats, named, report.long_report()); },
      [&](ScannedFile& f) {
        c.size_skipped += f.size_skipped;
        c.over_cap += f.over_cap;
        if (f.result) report.add(*f.result);
      });
  return c;
}

}  // namespace

Outcome run_grep(GrepOptions o, Output& out, size_t workers) {
  if (env_switch_set("ZUB_GREP_ALL")) o.filter.include_all = true;
  resolve_grep_settings(o);
  if (o.patterns.empty()) {
    out.write_err(usage_line());
    return {2, 0};
  }
  std::string error;
  std::optional<std::vector<SearchPattern>> built = build_patterns(o, Try::kFirst, error);
  if (!built) {
    // Without -E the pattern was read as a basic regex for its backslash
    // operators; a literal search is -F there.
    const bool extended = o.syntax == PatternSyntax::kExtended;
    const std::string flag = std::string("-") + (o.syntax_flag ? o.syntax_flag : 'E');
    out.write_err("zub grep: 정규식 오류: " + error +
                  (extended ? "\n(리터럴로 찾으려면 " + flag + " 를 빼라)\n"
                            : std::string("\n(리터럴로 찾으려면 -F)\n")));
    return {2, 0};
  }
  const PatternSet pats = make_pattern_set(std::move(*built));
  const std::vector<Retry> further = retries(o);
  if (o.roots.empty() && o.recursive) o.roots.emplace_back(".");
  if (o.roots.empty()) {
    // Standard input that may carry something is what a grep without a
    // path would read, and from a shell that never closes it, wait for
    // ever: that stays an error. Otherwise the habit means ".".
    if (fd_may_carry_input(0)) {
      out.write_err(std::string(kNoRoot) + "\n");
      return {2, 0};
    }
    o.roots.emplace_back(".");
    if (!o.quiet) out.write_out(std::string(kNoRootNote));
  }
  for (const std::string& r : o.roots)
    if (r == "-") return run_stdin(o, pats, further, out);

  bool root_failed = false;
  bool missing_reported = false;
  std::vector<std::string> roots;
  for (const std::string& r : o.roots) {
    struct stat st;
    if (stat(r.c_str(), &st) != 0) {
      if (!missing_reported)
        out.write_err("zub: " + shown_path(r) + ": " + os_error_text(errno) + "\n");
      missing_reported = root_failed = true;
    } else if (is_special_file(st.st_mode)) {
      out.write_err("zub: " + shown_path(r) + ": " + kSpecialFileError + "\n");
      root_failed = true;
    } else {
      roots.push_back(r);
    }
  }
  if (workers == 0) {
    workers = std::thread::hardware_concurrency();
    if (workers == 0) workers = 4;
  }
  if (o.limits.find_listing) {
    const Outcome listed = list_found(o, roots, out);
    return {root_failed && listed.status != 2 ? 2 : listed.status, listed.baseline};
  }
  const std::optional<std::string> base = base_root(roots);
  std::vector<std::string> named;
  for (const std::string& r : roots) {
    struct stat st;
    if (stat(r.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) named.push_back(r);
  }
  std::optional<Report> report;
  report.emplace(o, base, out);
  ScanCounts counts = scan_into(o, pats, roots, named, workers, *report);
  const uint64_t walked = counts.walk.walked;
  for (size_t k = 0; walked > 0 && report->hits == 0 && k < further.size(); ++k) {
    // Nothing of the report before has been printed: it holds no file.
    if (!o.quiet) out.write_out(further[k].note);
    report.emplace(o, base, out);
    counts = scan_into(o, further[k].pats, roots, named, workers, *report);
  }
  if (walked == 0) {
    if (!o.quiet) {
      out.write_out("[0 files: 경로나 --ext 필터를 확인해라]\n");
      if (counts.walk.too_long > 0)
        out.write_out("[" + std::to_string(counts.walk.too_long) +
                      " paths over PATH_MAX skipped]\n");
    }
    return {root_failed ? 2 : 1, report->plain};
  }
  report->finish(counts.walk.non_source, counts.walk.too_long, counts.size_skipped,
                 counts.over_cap);
  const bool found = o.files_without_match ? report->files > 0 : report->hits > 0;
  const int status = root_failed ? 2 : found ? 0 : 1;
  return {status, report->plain};
}

Outcome cmd_grep(const GrepOptions& opts, Output& out) { return run_grep(opts, out, 0); }

}  // namespace zub
