// Python's unittest: "Ran 7 tests in 0.002s", then "FAILED (failures=2,
// errors=2)" or "OK" are its counts; what it prints under a failing test's
// exception (the diff of the two values) belongs to that failure, up to
// the next rule, test or count. Its failing tests ("FAIL: test_x (m.T)")
// are the test-results row's, its tracebacks the traceback row's.
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct UnittestState : DiagFamilyState {
  uint64_t ran_line = 0;  // the index of the last "Ran N tests" line
};

// The sum of every "name=N" in "FAILED (failures=2, errors=1, skipped=1)".
uint64_t sum_of_counts(std::string_view t) {
  uint64_t sum = 0;
  for (size_t eq = t.find('='); eq != std::string_view::npos; eq = t.find('=', eq + 1))
    sum += number_at(t, eq + 1);
  return sum;
}

bool unittest_shape(const DiagState& st, const UnittestState&, const Line& l) {
  return st.in_failure_detail || l.t[0] == 'R' || l.t[0] == 'F' || l.t[0] == 'O';
}

Verdict unittest_lines(DiagState& st, UnittestState& s, const Line& l) {
  const std::string_view t = l.t;
  if (st.in_failure_detail) {
    if (!starts_with_any(t, {"===", "---", "___", "Ran ", "Traceback", "FAIL", "ERROR", "OK"}) &&
        !is_test_failure(t) && !is_test_pass(t))
      return Verdict::kRecognized;
    st.in_failure_detail = false;
  }
  if (starts_with(t, "Ran ") && digits_at(t, 4) > 0 && contains(t, " test")) {
    count_ran(st, number_at(t, 4), 0);
    record_summary(st, t);
    s.ran_line = l.index;
    return Verdict::kRecognized;
  }
  const bool after_ran = right_after(s.ran_line, l);
  if ((starts_with(t, "FAILED (") && ends_with(t, ")")) ||
      (after_ran && (t == "OK" || (starts_with(t, "OK (") && ends_with(t, ")"))))) {
    count_ran(st, 0, sum_of_counts(t));
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  return Verdict::kNotMine;
}

}  // namespace

const DiagFamily kDiagUnittest =
    diag_family<UnittestState, unittest_shape, unittest_lines>("unittest");

}  // namespace zub
