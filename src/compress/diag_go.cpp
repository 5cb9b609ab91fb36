// go test: "=== RUN" starts a test (what -v logs before its result,
// "    x_test.go:12: msg", is that test's message and place once it
// fails); the frame of a failing test in a panic's trace and the place
// under it; the bare "FAIL" after a package's failures. "--- FAIL: TestX"
// is the test-results row's, and the compiler's and vet's "x.go:3:5: msg"
// the compiler row's.
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

Verdict go_test_lines(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  // go test's bare "FAIL" after a package's failing tests, and again at
  // the end, says nothing the listed failures do not.
  if (t == "FAIL" && st.failures_seen > 0) return Verdict::kRecognized;
  if (starts_with(t, "=== RUN") || starts_with(t, "=== CONT") || starts_with(t, "=== NAME")) {
    close_failure(st);
    forget_early_message(st);
    st.in_go_run = true;
    return Verdict::kRecognized;
  }
  // "\t/x/stock_test.go:24 +0x18" under the failing test's frame.
  if (l.pending == Pending::kGoFrame && contains(t, ".go:")) {
    if (st.pending_index < st.failures.size() && st.failures[st.pending_index].place.empty())
      st.failures[st.pending_index].place = byte_cut(t.substr(0, t.find(" +0x")), 200);
    return Verdict::kRecognized;
  }
  // "example.com/stock.TestMaxEmpty(0xc000096b60?)" in a panic's trace.
  if (!ends_with(t, ")")) return Verdict::kNotMine;
  const size_t paren = t.find('(');
  if (paren == std::string_view::npos || t.find(' ') < paren) return Verdict::kNotMine;
  const std::string_view name = after_last(t.substr(0, paren), ".");
  if (!starts_with(name, "Test") && !starts_with(name, "Benchmark") && !starts_with(name, "Fuzz"))
    return Verdict::kNotMine;
  for (size_t i = 0; i < st.failures.size(); ++i) {
    if (st.failures[i].key == name && st.failures[i].place.empty()) {
      st.pending = Pending::kGoFrame;
      st.pending_index = i;
      return Verdict::kRecognized;
    }
  }
  return Verdict::kNotMine;
}

Verdict go_test_log(DiagState& st, const Line& l) {
  if (l.raw.empty() || (l.raw[0] != ' ' && l.raw[0] != '\t')) return Verdict::kNotMine;
  // "name.go:12: msg": a line and no column, which is how the testing
  // package places what a test logged; the compiler and vet give columns.
  const std::string_view t = l.t;
  const size_t go = t.find(".go:");
  if (go == std::string_view::npos || t.find(' ') < go) return Verdict::kNotMine;
  const size_t digits = digits_at(t, go + 4);
  if (digits == 0 || t.substr(go + 4 + digits, 2) != ": ") return Verdict::kNotMine;
  const std::string_view where = t.substr(0, go + 4 + digits);
  const std::string_view said = trim_ws(t.substr(go + 4 + digits + 2));
  DiagFailure* f = st.open_failure < st.failures.size() ? &st.failures[st.open_failure] : nullptr;
  if (f != nullptr && starts_with(f->line, "--- FAIL: ")) {
    // Printed under its "--- FAIL:" line.
    if (f->place.empty()) f->place = byte_cut(where, 200);
    if (f->message.empty())
      f->message = byte_cut(f->place == where ? said : t, kDiagErrorBytes);
    else
      ++f->more;
    return Verdict::kRecognized;
  }
  if (!st.in_go_run) return Verdict::kNotMine;
  // go test -v logs before the test's result; a passing test's log is
  // dropped with its "--- PASS".
  if (st.early_place.empty()) st.early_place = std::string(where);
  if (st.early_message.empty())
    st.early_message = byte_cut(st.early_place == where ? said : t, kDiagErrorBytes);
  else
    ++st.early_more;
  return Verdict::kRecognized;
}

bool go_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  const char c = l.t[0];
  return c == 'F' || c == '=' || c == '#' || l.pending == Pending::kGoFrame || l.t.back() == ')' ||
         l.raw[0] == ' ' || l.raw[0] == '\t';
}

Verdict go_lines(DiagState& st, NoFamilyState&, const Line& l) {
  // go build's "# example.com/x/pkg" over the errors of one package.
  if (starts_with(l.t, "# ") && l.t.size() > 2 && l.t.find(' ', 2) == std::string_view::npos &&
      l.t.find('/') != std::string_view::npos)
    return Verdict::kRecognized;
  if (const Verdict v = go_test_lines(st, l); v != Verdict::kNotMine) return v;
  return go_test_log(st, l);
}

}  // namespace

const DiagFamily kDiagGo = diag_family<NoFamilyState, go_shape, go_lines>("go");

}  // namespace zub
