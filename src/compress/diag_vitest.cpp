// vitest: "Tests  2 failed | 6 passed (8)" counts the passes, "Test Files
// ..." is kept beside it; its banners and rules ("RUN  v4", "⎯⎯⎯", "Start
// at", "Duration", "❯ math.test.js (6 tests | 2 failed) 65ms") say nothing
// a summary needs. Its failing tests ("× name 14ms", "FAIL x > suite >
// name") are the test-results row's.
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

bool vitest_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  const char c = l.t[0];
  return c == 'T' || c == 'R' || c == 'S' || c == 'D' || c == '\xE2';
}

Verdict vitest_lines(DiagState& st, NoFamilyState&, const Line& l) {
  const std::string_view t = l.t;
  if (starts_with(t, "Tests ") && digits_at(trim_ws(t.substr(6)), 0) > 0 && ends_with(t, ")")) {
    count_passed(st, count_of(t, "passed"));
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  if (starts_with(t, "Test Files ")) {
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  if (starts_with(t, "\xE2\x8E\xAF") || starts_with(t, "RUN  v") || starts_with(t, "Start at ") ||
      starts_with(t, "Duration "))
    return Verdict::kRecognized;
  // "❯ math.test.js (6 tests | 2 failed) 65ms"
  if (starts_with(t, "\xE2\x9D\xAF ") && contains(t, " test") && contains(t, " | "))
    return Verdict::kRecognized;
  return Verdict::kNotMine;
}

}  // namespace

const DiagFamily kDiagVitest = diag_family<NoFamilyState, vitest_shape, vitest_lines>("vitest");

}  // namespace zub
