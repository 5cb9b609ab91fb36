// pytest: its closing count ("===== 4 failed, 2 passed in 0.19s =====",
// bare with -q) counts the passes; its progress ("test_x.py ..F.
// [ 50%]", unittest's "..F.E" too) counts a pass per dot; "_____
// Class.test_x _____" heads a failing test's report, whose first "E   "
// line is that test's message (outside a report an error line; the "E"
// lines after it are its diff). "FAILED x.py::test_y - m" in the short
// summary is the test-results row's.
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct PytestState : DiagFamilyState {
  uint64_t e_line = 0;     // the index of the last "E" line
  bool in_report = false;  // inside a failing test's report, before its captured output
};

// pytest's closing "4 failed, 2 passed, 1 skipped in 0.19s" without the
// "=" border: counts of known words, then " in " and a duration.
bool pytest_counts(std::string_view inner, uint64_t& passed) {
  const size_t in = inner.rfind(" in ");
  if (in == std::string_view::npos) return false;
  // "in 0.19s", "in 65.12s (0:01:05)"
  std::string_view time = inner.substr(in + 4);
  time = time.substr(0, time.find(' '));
  if (digits_at(time, 0) == 0 || !ends_with(time, "s") ||
      time.find_first_not_of("0123456789.") != time.size() - 1)
    return false;
  if (starts_with(inner, "no tests ran")) {
    passed = 0;
    return true;
  }
  std::string_view counts = inner.substr(0, in);
  passed = 0;
  while (!counts.empty()) {
    const size_t n = digits_at(counts, 0);
    if (n == 0 || n >= counts.size() || counts[n] != ' ') return false;
    const size_t comma = counts.find(", ");
    const std::string_view word = counts.substr(
        n + 1, comma == std::string_view::npos ? std::string_view::npos : comma - n - 1);
    if (word == "passed") passed = number_at(counts, 0);
    bool known = false;
    for (std::string_view w : {"passed", "failed", "error", "errors", "skipped", "xfailed",
                               "xpassed", "warning", "warnings", "deselected", "rerun"})
      known |= word == w;
    if (!known) return false;
    counts = comma == std::string_view::npos ? std::string_view() : counts.substr(comma + 2);
  }
  return true;
}

Verdict pytest_counts_line(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (!may_be_count_line(t)) return Verdict::kNotMine;
  const std::string_view inner = trim_ws(t.substr(
      t.find_first_not_of('=') == std::string_view::npos ? t.size() : t.find_first_not_of('=')));
  const std::string_view counts = trim_ws(inner.substr(0, inner.find_last_not_of('=') + 1));
  uint64_t n = 0;
  if (!pytest_counts(counts, n)) return Verdict::kNotMine;
  count_passed(st, n);
  record_summary(st, t);
  return Verdict::kRecognized;
}

Verdict progress_marks(DiagState& st, const Line& l) {
  uint64_t dots = 0;
  if (!is_progress_line(l.t, dots)) return Verdict::kNotMine;
  st.passed += dots;
  return Verdict::kRecognized;
}

// Under its report header the first "E" line is the failing test's
// message, listed with the test; without one it is an error line.
Verdict explanation(DiagState& st, PytestState& s, const Line& l) {
  const bool after_e_line = right_after(s.e_line, l);
  if (!starts_with(l.t, "E   ") && !(l.t == "E" && after_e_line)) return Verdict::kNotMine;
  if (!after_e_line && !(st.pytest_report && describe_failure(st, trim_ws(l.t.substr(1)))))
    record_error(st, l.t);
  s.e_line = l.index;
  return Verdict::kRecognized;
}

Verdict pytest_header(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (!starts_with(t, "__") || !ends_with(t, "__") || starts_with(t, "_ _"))
    return Verdict::kNotMine;
  const size_t first = t.find_first_not_of('_');
  if (first == std::string_view::npos) return Verdict::kNotMine;
  std::string_view name = trim_ws(t.substr(first, t.find_last_not_of('_') + 1 - first));
  if (name.empty()) return Verdict::kNotMine;
  std::string_view key = name;
  for (std::string_view stage : {"ERROR at setup of ", "ERROR at teardown of "})
    if (starts_with(key, stage)) key = key.substr(stage.size());
  record_failure(st, name, key);
  st.pytest_report = true;
  return Verdict::kRecognized;
}

// A line of a failing test's report: the source of each frame, "self =
// ...", the frames' places ("bs4/__init__.py:778: in decode"), the last of
// which raised ("bs4/formatter.py:143: TypeError"). The first place is the
// test's own line, the failure's place; the last, when elsewhere, is where
// it raised. The report ends at a "=" rule or its captured output, whose
// lines the other rows read.
Verdict report_line(DiagState& st, const Line& l) {
  if (const auto loc = split_location(l.t)) {
    if (!locate_failure(st, loc->where)) {
      DiagFailure* f = open_failure(st);
      if (f != nullptr && f->place != loc->where) f->raised = byte_cut(loc->where, 200);
    }
  }
  return Verdict::kRecognized;
}

// The first bytes of its counts ("=", a digit, or a closing ")"), progress
// marks and headers, "E" lines; a progress line after a file name ends in
// "%]".
bool pytest_shape(const DiagState&, const PytestState& s, const Line& l) {
  if (s.in_report) return true;
  switch (l.t[0]) {
    case '=':
    case '_':
    case '.':
    case 'E':
    case 'F':
    case 's':
    case 'x':
    case 'X': return true;
    default: return is_digit(l.t[0]) || ends_with(l.t, "%]") || l.t.back() == ')';
  }
}

Verdict pytest_lines(DiagState& st, PytestState& s, const Line& l) {
  if (s.in_report && (l.t[0] == '=' || (starts_with(l.t, "---") && contains(l.t, " Captured "))))
    s.in_report = false;
  if (const Verdict v = pytest_counts_line(st, l); v != Verdict::kNotMine) return v;
  if (const Verdict v = progress_marks(st, l); v != Verdict::kNotMine) return v;
  if (const Verdict v = explanation(st, s, l); v != Verdict::kNotMine) return v;
  if (const Verdict v = pytest_header(st, l); v != Verdict::kNotMine) {
    s.in_report = true;
    return v;
  }
  return s.in_report ? report_line(st, l) : Verdict::kNotMine;
}

}  // namespace

const DiagFamily kDiagPytest = diag_family<PytestState, pytest_shape, pytest_lines>("pytest");

}  // namespace zub
