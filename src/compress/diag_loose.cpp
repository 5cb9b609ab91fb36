// What no tool's row took but still says what went wrong: a failing-test
// line of any other shape ("FAIL ...", "✘ ...", an AssertionError), and
// any line that says "error:" or "warning:" (an error listed, a warning
// counted).
#include <initializer_list>
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"
#include "compress/diag_tests.h"

namespace zub {

namespace {

bool is_failure_line(std::string_view t) {
  return starts_with(t, "FAIL") || starts_with(t, "\xE2\x9C\x98") || starts_with(t, "\xC3\x97") ||
         starts_with(t, "E   ") || contains(t, "AssertionError");
}

Verdict failure_line(DiagState& st, const Line& l) {
  if (!is_failure_line(l.t)) return Verdict::kNotMine;
  bool full = false;
  const std::string key = failing_test_key(l.t, full);
  record_failure(st, l.t, key, full);
  return Verdict::kRecognized;
}

// Lines that say error or warning in a shape of no tool above.
// True when one of `words` stands right before a colon somewhere in `t`
// ("error:" in "x: error: y"): each colon is looked at once, however many
// spellings are asked for.
bool word_before_colon(std::string_view t, std::initializer_list<std::string_view> words) {
  for (size_t colon = t.find(':'); colon != std::string_view::npos; colon = t.find(':', colon + 1))
    for (std::string_view w : words)
      if (colon >= w.size() && t.substr(colon - w.size(), w.size()) == w) return true;
  return false;
}

Verdict loose_error(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (!word_before_colon(t, {"error", "Error", "ERROR"}) && !starts_with(t, "ERROR "))
    return Verdict::kNotMine;
  record_error(st, t);
  st.pending = Pending::kNone;
  return Verdict::kRecognized;
}

Verdict loose_warning(DiagState& st, const Line& l) {
  if (!word_before_colon(l.t, {"warning", "Warning", "WARNING"})) return Verdict::kNotMine;
  record_rule(st, "(no-rule-id) warning", byte_cut(l.t, 160));
  st.pending = Pending::kNone;
  return Verdict::kRecognized;
}

// A failing-test line's first bytes, "AssertionError", "ERROR ", or the
// colon every "error:" and "warning:" has.
bool loose_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  static constexpr BytePairs kAssertion = byte_pairs("AssertionError");
  const char c = l.t[0];
  return c == 'F' || c == 'E' || c == '\xE2' || c == '\xC3' || may_hold(l.pairs, kAssertion) ||
         l.t.find(':') != std::string_view::npos;
}

Verdict loose_lines(DiagState& st, NoFamilyState&, const Line& l) {
  if (const Verdict v = failure_line(st, l); v != Verdict::kNotMine) return v;
  if (const Verdict v = loose_error(st, l); v != Verdict::kNotMine) return v;
  return loose_warning(st, l);
}

}  // namespace

const DiagFamily kDiagLoose = diag_family<NoFamilyState, loose_shape, loose_lines>("loose");

}  // namespace zub
