// ctest: "50% tests passed, 2 tests failed out of 4" counts what ran and
// what failed, and is kept. Its test lines ("2/4 Test #2: name
// ....***Failed", "  2 - name (Failed)") are the test-results row's, its
// banners the context row's.
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

bool ctest_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  static constexpr BytePairs kCount = byte_pairs("% tests passed, ");
  return may_be_count_line(l.t) && may_hold(l.pairs, kCount);
}

Verdict ctest_lines(DiagState& st, NoFamilyState&, const Line& l) {
  const std::string_view t = l.t;
  uint64_t n = 0;
  if (!contains(t, "% tests passed, ") || !number_after(t, "out of ", n)) return Verdict::kNotMine;
  uint64_t failed = 0;
  number_after(t, "passed, ", failed);
  count_ran(st, n, failed);
  record_summary(st, t);
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagCtest = diag_family<NoFamilyState, ctest_shape, ctest_lines>("ctest");

}  // namespace zub
