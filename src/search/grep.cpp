#include "search/grep.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>

#include "base/elide.h"
#include "base/env.h"
#include "base/file_io.h"
#include "base/fnv.h"
#include "base/path_error.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "re/compile.h"
#include "search/display_path.h"
#include "search/grep_options.h"
#include "search/grep_scan.h"
#include "search/walk.h"

namespace zub {

namespace {

constexpr std::string_view kNoRoot =
    "zub grep: ROOT 가 없다: 경로를 반드시 지정해라(인자 없는 rg 가 stdin 을 물고 멈추던 사고를 막는 "
    "규약이다)";

std::string usage_line() { return std::string(kGrepUsage) + "\n"; }

// Builds the search patterns in order; the first that does not compile
// ends the build with its error text.
std::optional<std::vector<SearchPattern>> build_patterns(const GrepOptions& o, std::string& error) {
  std::vector<SearchPattern> pats;
  for (const std::string& text : o.patterns) {
    SearchPattern p;
    if (o.word || o.regex) {
      std::string src = o.word ? "\\b(?:" + (o.regex ? text : escape_literal(text)) + ")\\b" : text;
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

int run_stdin(const GrepOptions& o, const PatternSet& pats, Output& out) {
  ReadResult in = read_fd_all(0);
  std::string_view text;
  if (in.ok && is_valid_utf8(in.data)) text = in.data;
  ScanScratch s;
  uint64_t matched = 0, dups = 0;
  std::string body;
  std::unordered_set<uint64_t> seen;
  for_each_selected(pats, o.invert, text, s, [&](uint64_t, std::string_view line) {
    ++matched;
    if (o.count) return;
    if (!seen.insert(line_fingerprint(line)).second) {
      ++dups;
      return;
    }
    append_elided(body, line, 120);
    body.push_back('\n');
  });
  if (o.count) {
    body = std::to_string(matched) + "\n";
  } else if (dups > 0) {
    body += '[';
    body += std::to_string(matched);
    body += " matched, ";
    body += std::to_string(dups);
    body += " dup lines collapsed]\n";
  }
  out.write_out(body);
  return is_blank(body) ? 1 : 0;
}

// Scans the listed files on `workers` threads; slot i holds file i's result.
std::vector<std::optional<FileResult>> scan_all(const GrepOptions& o, const PatternSet& pats,
                                                const std::vector<std::string>& files, size_t workers) {
  std::vector<std::optional<FileResult>> slots(files.size());
  std::mutex slots_mu;
  std::atomic<size_t> next{0};
  const bool prefilter = prefilter_applies(pats, o.invert) && !grep_detail::needle_driven(pats.list, o.invert);
  auto work = [&] {
    ScanScratch scratch;
    ReadBuffer buf;
    std::vector<std::pair<size_t, FileResult>> mine;
    for (;;) {
      const size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= files.size()) break;
      if (!content_gate(files[i], o.filter.include_all, buf)) continue;
      const std::string_view text = buf.view();
      if (prefilter && !prefilter_passes(pats, text)) continue;
      std::optional<FileResult> r = scan_file(o, pats, text, scratch);
      if (!r) continue;
      r->path = files[i];
      mine.emplace_back(i, std::move(*r));
    }
    std::lock_guard<std::mutex> lock(slots_mu);
    for (auto& [i, r] : mine) slots[i] = std::move(r);
  };
  if (workers <= 1) {
    work();
    return slots;
  }
  std::vector<std::thread> threads;
  threads.reserve(workers);
  for (size_t k = 0; k < workers; ++k) threads.emplace_back(work);
  for (std::thread& t : threads) t.join();
  return slots;
}

std::string build_report(const GrepOptions& o, const std::vector<std::optional<FileResult>>& slots,
                         const std::optional<std::string>& base, uint64_t non_source, uint64_t& hits) {
  std::string body;
  uint64_t files = 0, shown = 0, capped = 0, folded = 0;
  hits = 0;
  for (const std::optional<FileResult>& slot : slots) {
    if (!slot) continue;
    const FileResult& r = *slot;
    ++files;
    hits += r.matched;
    capped += r.more;
    folded += r.dups;
    if (files > o.file_cap) continue;
    if (o.files_only) {
      append_path_text(body, r.path);
      body.push_back('\n');
    } else if (o.count) {
      body += std::to_string(r.matched) + " ";
      append_path_text(body, display_path(r.path, base));
      body.push_back('\n');
    } else {
      body += "── ";
      append_path_text(body, display_path(r.path, base));
      if (r.more > 0) body += " (" + std::to_string(r.matched) + " hits)";
      body.push_back('\n');
      body += r.report;
      shown += r.shown;
    }
  }
  if (files > o.file_cap)
    body += "[… " + std::to_string(files - o.file_cap) + " 파일 더 있음: 범위를 좁히거나 --max-files 를 올려라]\n";
  body += '[';
  body += std::to_string(files) + " files, " + std::to_string(hits) + " hits";
  if (capped > 0) body += ", " + std::to_string(shown) + " shown, " + std::to_string(capped) + " capped";
  if (folded > 0) body += ", " + std::to_string(folded) + " dup-collapsed";
  if (non_source > 0) body += ", " + std::to_string(non_source) + " non-source skipped (--all)";
  body += "]\n";
  if (!base || files == 0) return body;
  std::string head = "@ ";
  head += *base;
  head += "/\n";
  return head + body;
}

}  // namespace

int run_grep(const std::vector<std::string>& args, Output& out, size_t workers) {
  GrepOptions o = parse_grep_args(args);
  if (!o.unknown_flag.empty()) {
    out.write_err("zub grep: 모르는 플래그 `" + o.unknown_flag + "`\n\n" + usage_line());
    return 2;
  }
  if (o.help) {
    out.write_out(usage_line());
    return 0;
  }
  if (env_switch_set("ZUB_GREP_ALL")) o.filter.include_all = true;
  if (o.patterns.empty()) {
    out.write_err(usage_line());
    return 2;
  }
  if (o.context_requested && o.limit == 8) o.limit = 4;
  if ((o.files_only || o.count) && o.file_cap == 400) o.file_cap = 1000;
  std::string error;
  std::optional<std::vector<SearchPattern>> built = build_patterns(o, error);
  if (!built) {
    out.write_err("zub grep: 정규식 오류: " + error + "\n(리터럴로 찾으려면 -E 를 빼라)\n");
    return 2;
  }
  const PatternSet pats = make_pattern_set(std::move(*built));
  if (o.roots.empty()) {
    out.write_err(std::string(kNoRoot) + "\n\n" + usage_line());
    return 2;
  }
  for (const std::string& r : o.roots)
    if (r == "-") return run_stdin(o, pats, out);

  bool root_failed = false;
  std::vector<std::string> roots;
  for (const std::string& r : o.roots) {
    struct stat st;
    if (stat(r.c_str(), &st) == 0) {
      roots.push_back(r);
    } else if (!root_failed) {
      root_failed = true;
      out.write_err("zub: " + r + ": " + os_error_text(errno) + "\n");
    }
  }
  WalkResult walked = walk_roots(roots, o.filter);
  if (walked.files.empty()) {
    out.write_out("[0 files: 경로나 --ext 필터를 확인해라]\n");
    return root_failed ? 2 : 1;
  }
  if (workers == 0) {
    workers = std::thread::hardware_concurrency();
    if (workers == 0) workers = 4;
  }
  if (workers > walked.files.size()) workers = walked.files.size();
  std::vector<std::optional<FileResult>> slots = scan_all(o, pats, walked.files, workers);
  uint64_t hits = 0;
  out.write_out(build_report(o, slots, base_root(roots), walked.non_source_skipped, hits));
  if (root_failed) return 2;
  return hits > 0 ? 0 : 1;
}

int cmd_grep(const std::vector<std::string>& args, Output& out) { return run_grep(args, out, 0); }

}  // namespace zub
