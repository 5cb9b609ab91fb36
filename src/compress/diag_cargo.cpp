// cargo test: "test result: FAILED. 2 passed; 2 failed; ..." counts the
// passes and is kept; "---- name stdout ----" heads a failing test's
// output (its panic, read by the panic row, gives the place). Its test
// lines ("test a::b ... FAILED") are the test-results row's.
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

bool cargo_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  return l.t[0] == 't' || l.t[0] == '-';
}

Verdict cargo_lines(DiagState& st, NoFamilyState&, const Line& l) {
  const std::string_view t = l.t;
  if (starts_with(t, "test result: ")) {
    count_passed(st, count_of(t, "passed;"));
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  if (starts_with(t, "---- ") && ends_with(t, " stdout ----")) {
    const std::string_view name = t.substr(5, t.size() - 17);
    record_failure(st, t, name);
    return Verdict::kRecognized;
  }
  return Verdict::kNotMine;
}

}  // namespace

const DiagFamily kDiagCargo = diag_family<NoFamilyState, cargo_shape, cargo_lines>("cargo");

}  // namespace zub
