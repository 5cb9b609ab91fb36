#include "compress/diag.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/env.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_docker.h"
#include "compress/diag_families.h"
#include "compress/diag_fold.h"
#include "compress/diag_shapes.h"
#include "compress/diag_state.h"
#include "compress/escapes.h"

namespace zub {

namespace {

constexpr size_t kExamplesShown = 2;
constexpr size_t kRulesShown = 25;
constexpr size_t kUnrecognizedShown = 25;
constexpr size_t kErrorLinesShown = 500;

// The families' rows with a state of their own each, for one summary.
struct Reader {
  DiagState st;
  BuildKitState buildkit;
  std::vector<std::pair<const DiagFamily*, std::unique_ptr<DiagFamilyState>>> rows;
  uint64_t nonblank = 0;

  Reader() {
    for (const DiagFamily* f : diag_families()) rows.emplace_back(f, f->make_state());
  }

  // Classifies one line (`t` trimmed, `raw` as read), updating the
  // tallies; true when recognised.
  bool classify(std::string_view t, std::string_view raw) {
    if (t.empty()) return false;
    const Line line{t, raw, t.find(' '), ++nonblank, byte_pairs(t), st.pending, st.expect_source};
    st.pending = Pending::kNone;
    st.expect_source = false;
    // The message a header that ended in a colon announced ("thread 'x'
    // panicked at src/lib.rs:3:5:") belongs to it, whatever its shape.
    if (line.pending == Pending::kErrorMessage && st.pending_index < st.errors.size()) {
      std::string& e = st.errors[st.pending_index];
      e = std::string(byte_cut(e + " " + std::string(t), kDiagErrorBytes + 80));
      return true;
    }
    for (auto& [family, state] : rows) {
      if (!family->shape(st, *state, line)) continue;
      const Verdict v = family->recognise(st, *state, line);
      if (v != Verdict::kNotMine) return v == Verdict::kRecognized;
    }
    return line.expect_source;  // the quoted source line under a located diagnostic
  }
};

void append_rules(std::string& out, const DiagState& st) {
  std::vector<const std::pair<const std::string, DiagRule>*> order;
  order.reserve(st.rules.size());
  uint64_t sum = 0;
  for (const auto& kv : st.rules) {
    order.push_back(&kv);
    sum += kv.second.count;
  }
  std::sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
    if (a->second.count != b->second.count) return a->second.count > b->second.count;
    return a->first < b->first;
  });
  out += "== " + std::to_string(sum) + " diagnostics / " + std::to_string(order.size()) +
         " distinct rules ==\n";
  for (size_t i = 0; i < order.size() && i < kRulesShown; ++i) {
    const DiagRule& r = order[i]->second;
    out += pad_left(std::to_string(r.count), 4) + "x " + order[i]->first + "\n";
    const size_t shown = std::min(r.examples.size(), kExamplesShown);
    for (size_t k = 0; k < shown; ++k) out += "      " + r.examples[k] + "\n";
    // A rule of error lines only shows no examples: its lines are listed
    // in the error section.
    if (shown > 0 && r.count > shown && r.count >= 3)
      out += "      \xE2\x80\xA6 +" + std::to_string(r.count - shown) +
             " more occurrences (rerun raw for full list)\n";
  }
}

// `kept` lines were stored (a folded list shows fewer), `seen` came.
void append_list(std::string& out, const char* what, const std::vector<std::string>& lines,
                 uint64_t seen, uint64_t kept) {
  out += "== " + std::to_string(kept) + " " + what + " lines ==\n";
  for (const std::string& l : lines) out += "  " + l + "\n";
  if (seen > kept)
    out += "  \xE2\x80\xA6 +" + std::to_string(seen - kept) + " more " + what +
           " lines (rerun raw for full list)\n";
}

void append_list(std::string& out, const char* what, const std::vector<std::string>& lines,
                 uint64_t seen) {
  append_list(out, what, lines, seen, lines.size());
}

// The error lines, each text once with the number of times it came (one
// exception raised by six tests is one line), and each message said at
// several places once with every place (diag_fold.h), in the order first
// seen, up to kErrorLinesShown lines. make's echoes of the failed targets
// follow as a count: the errors above them said what failed. Alone they
// are the errors.
void append_errors(std::string& out, const DiagState& st) {
  if (st.errors_seen == 0) {
    append_list(out, "error", st.echoes, st.echoes_seen);
    return;
  }
  std::vector<std::string> lines = fold_errors(st.errors);
  out += "== " + std::to_string(st.errors.size()) + " error lines ==\n";
  for (size_t i = 0; i < lines.size() && i < kErrorLinesShown; ++i) out += "  " + lines[i] + "\n";
  if (lines.size() > kErrorLinesShown) {
    out += "  \xE2\x80\xA6 +" + std::to_string(lines.size() - kErrorLinesShown) +
           " more error lines not shown";
    if (st.errors_seen > st.errors.size())
      out += ", " + std::to_string(st.errors_seen - st.errors.size()) + " more not kept";
    out += " (rerun raw for full list)\n";
  } else if (st.errors_seen > st.errors.size()) {
    out += "  \xE2\x80\xA6 +" + std::to_string(st.errors_seen - st.errors.size()) +
           " more error lines (rerun raw for full list)\n";
  }
  if (st.echoes_seen > 0)
    out += "  \xE2\x80\xA6 +" + std::to_string(st.echoes_seen) +
           " make \"***\" lines naming the failed targets (rerun raw for full list)\n";
}

// The failure lines, each failure as it came, except that failures saying
// one thing at three or more tests (a parametrised test, one broken helper)
// are one line: what they say with how many and every place (folded as
// error lines are), then every test's name.
// The test's name as its line gives it: the word of the line that holds
// the runner's name for it ("bs4/tests/t.py::T::test_a" for pytest's
// "T::test_a"); empty when the line does not hold it.
std::string_view named_test(const DiagFailure& f) {
  if (f.key.empty()) return {};
  const size_t at = f.line.find(f.key);
  if (at == std::string::npos) return {};
  size_t b = at, e = at + f.key.size();
  while (b > 0 && f.line[b - 1] != ' ') --b;
  while (e < f.line.size() && f.line[e] != ' ') ++e;
  return std::string_view(f.line).substr(b, e - b);
}

std::vector<std::string> failure_lines(const std::vector<DiagFailure>& fs) {
  std::unordered_map<std::string_view, std::vector<size_t>> same;
  for (size_t i = 0; i < fs.size(); ++i) {
    const DiagFailure& f = fs[i];
    if (!f.message.empty() && !f.place.empty() && f.raised.empty() && f.more == 0 &&
        !named_test(f).empty() && !contains(f.line, f.message))
      same[f.message].push_back(i);
  }
  std::vector<std::string> lines;
  std::vector<bool> listed(fs.size());
  for (size_t i = 0; i < fs.size(); ++i) {
    if (listed[i]) continue;
    const auto it = same.find(fs[i].message);
    std::vector<std::string> folded;
    if (it != same.end() && it->second.size() >= 3) {
      std::vector<std::string> placed;
      for (size_t k : it->second) placed.push_back(fs[k].place + ": " + fs[k].message);
      folded = fold_errors(placed);
    }
    if (folded.size() != 1) {
      lines.push_back(failure_text(fs[i]));
      continue;
    }
    std::string line = folded[0] + "; tests: ";
    for (size_t k : it->second) {
      if (k != it->second.front()) line += ", ";
      listed[k] = true;
      line += named_test(fs[k]);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// Paths under the working directory as the agent would type them there:
// "/home/me/proj/src/a.c:3" becomes "src/a.c:3" wherever a path may start.
std::string relative_to(std::string_view text, std::string_view here) {
  if (here.size() < 2 || here.front() != '/') return std::string(text);
  std::string prefix(here);
  if (prefix.back() != '/') prefix += '/';
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(prefix); at != std::string_view::npos;
       at = text.find(prefix, at + 1)) {
    const char before = at == 0 ? '\n' : text[at - 1];
    if (std::string_view(" \t\n([\"'`=").find(before) == std::string_view::npos) continue;
    if (at + prefix.size() >= text.size() || text[at + prefix.size()] <= ' ') continue;
    out.append(text.substr(from, at - from));
    from = at + prefix.size();
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace

DiagSummary diag_summary(std::string_view input, std::string_view here) {
  // Lines are read straight from the input, escapes skipped on the way, so
  // memory grows with the rules found and not with the input.
  Reader reader;
  DiagState& st = reader.st;
  std::string_view line;
  // Blank lines and bare file names are not counted as unrecognised: the
  // count is of the lines the sample would show.
  uint64_t unrecognized = 0;
  for (CleanLines lines = clean_lines(input); next_clean_line(lines, line);) {
    ++st.total;
    st.clean_bytes += line.size() + 1;
    if (const BuildKit b = buildkit_line(st, reader.buildkit, line); b != BuildKit::kNone) {
      if (b == BuildKit::kProgress) ++st.progress;
      ++st.recognized;
      continue;
    }
    const std::string_view t = trim_ws(line);
    if (reader.classify(t, line)) {
      ++st.recognized;
    } else if (!t.empty() && !is_file_line(t)) {
      ++unrecognized;
      if (st.sample.size() < kUnrecognizedShown) st.sample.emplace_back(byte_cut(t, 140));
    }
  }
  // A runner's own count is worth more than the pass lines seen: jest and
  // prove print none for a file that passes whole.
  // A runner's count says "N passed" or how many ran and how many did not
  // pass; a log of two runners adds both.
  if (st.summary_passed_known || st.ran_known)
    st.passed = st.summary_passed + (st.ran > st.not_passed ? st.ran - st.not_passed : 0);

  // The sections, each only when it has something under it.
  std::string out;
  if (!st.rules.empty()) append_rules(out, st);
  if (st.errors_seen + st.echoes_seen != 0) append_errors(out, st);
  if (st.failures_seen != 0) {
    append_list(out, "failure", failure_lines(st.failures), st.failures_seen, st.failures.size());
  }
  if (st.passed != 0 || !st.summaries.empty()) {
    out += "== " + std::to_string(st.passed) + " passed (suppressed) ==\n";
    for (const std::string& s : st.summaries) out += "  " + s + "\n";
    if (st.summaries_seen > st.summaries.size())
      out += "  \xE2\x80\xA6 +" + std::to_string(st.summaries_seen - st.summaries.size()) +
             " more summary lines (rerun raw for full list)\n";
  }
  if (st.progress != 0)
    out += "== " + std::to_string(st.progress) + " build progress lines (suppressed) ==\n";
  if (unrecognized != 0) {
    out += "== " + std::to_string(unrecognized) + " unrecognized lines (first 25) ==\n";
    for (const std::string& s : st.sample) out += "  " + s + "\n";
  }
  // Too little of a known shape is refused. A log with an error or a
  // failing test in it never is, however short: the refusal would hide the
  // one line that matters. So is a log whose known lines give no section
  // at all (banners, carets, quoted source): the closing line alone would
  // hide everything.
  DiagSummary result;
  result.errors = st.errors_seen + st.echoes_seen;
  result.failures = st.failures_seen;
  if ((st.recognized < 3 && result.errors == 0 && result.failures == 0) || out.empty()) {
    result.kind = DiagSummary::Kind::kRefused;
    out = std::string(kDiagRefusalHead) + std::to_string(st.recognized) + "/" +
          std::to_string(st.total) +
          " lines recognized as diagnostics: not a linter/compiler/test log. Use `zub trim` "
          "(near-lossless) or `zub logs` instead.]\n";
  } else {
    result.kind = DiagSummary::Kind::kSummary;
    out += "[zub diag = 요약(원문 ~75% 소실). 개별 에러를 고치려면 `zub trim` 을 써라.]\n";
    if (!here.empty()) out = relative_to(out, here);
  }
  if (out.size() < st.clean_bytes || st.clean_bytes == 0) {
    result.text = std::move(out);
    return result;
  }

  // A summary or refusal no shorter than its input helps nobody: the input
  // itself, without escapes, loses nothing. It is as short as the summary, so the
  // copy stays small.
  result.kind = result.kind == DiagSummary::Kind::kRefused ? DiagSummary::Kind::kRefusedWhole
                                                           : DiagSummary::Kind::kWhole;
  result.text.reserve(st.clean_bytes);
  for (CleanLines lines = clean_lines(input); next_clean_line(lines, line);) {
    result.text += line;
    result.text += '\n';
  }
  return result;
}

std::string diag(std::string_view input, std::string_view here) {
  return diag_summary(input, here).text;
}

int cmd_diag(std::string_view input, Output& out) {
  out.write_out(diag(input, working_dir()));
  return 0;
}

}  // namespace zub
