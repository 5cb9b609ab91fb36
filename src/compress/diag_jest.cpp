// jest: "Tests:       2 failed, 6 passed, 8 total" counts the passes (jest
// prints no pass line for a file that passes whole), "Test Suites:" is
// kept beside it, "PASS file" is a pass. Its failing tests ("● suite ›
// name", "✕ name (2 ms)") are the test-results row's, its frames the
// frames row's.
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

bool jest_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  return l.t[0] == 'T' || l.t[0] == 'P';
}

Verdict jest_lines(DiagState& st, NoFamilyState&, const Line& l) {
  const std::string_view t = l.t;
  if (starts_with(t, "Tests:")) {
    count_passed(st, count_of(t, "passed"));
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  if (starts_with(t, "Test Suites:")) {
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  if (starts_with(t, "PASS")) {
    ++st.passed;
    close_failure(st);
    return Verdict::kRecognized;
  }
  return Verdict::kNotMine;
}

}  // namespace

const DiagFamily kDiagJest = diag_family<NoFamilyState, jest_shape, jest_lines>("jest");

}  // namespace zub
