// node --test: its counts ("# pass 2" in TAP, "ℹ pass 2" from its spec
// reporter; of the others only tests and fail are kept), "✖ failing
// tests:" over a list that repeats the failures, "test at x.test.js:8:1"
// above a repeated failing test (its declaration); npm's (and pnpm's)
// banner before a script's output, "> name@1.0.0 test" and "> the
// command". Its failing tests ("✖ name (1.5ms)") are the test-results
// row's, its TAP the TAP row's.
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct NodeState : DiagFamilyState {
  uint64_t banner_line = 0;  // the line number of npm's "> name@1.0.0 test"
};

// node --test's closing counts: "# pass 2" in TAP, "ℹ pass 2" in its spec
// reporter. Only tests, pass and fail are kept; the rest is recognised.
bool node_count(DiagState& st, std::string_view t) {
  std::string_view rest;
  if (starts_with(t, "# ")) {
    rest = t.substr(2);
  } else if (starts_with(t, "\xE2\x84\xB9 ")) {  // ℹ
    rest = t.substr(4);
  } else {
    return false;
  }
  const size_t space = rest.find(' ');
  if (space == std::string_view::npos || digits_at(rest, space + 1) == 0) return false;
  const std::string_view word = rest.substr(0, space);
  if (word == "pass") count_passed(st, number_at(rest, space + 1));
  if (word == "tests" || word == "pass" || word == "fail") {
    record_summary(st, t);
  } else if (!starts_with(t, "\xE2\x84\xB9 ")) {
    return false;  // "# skipped 0" and the like stay plain TAP comments
  }
  return true;
}

// npm's banner before a script's output: "> name@1.0.0 test" (pnpm adds
// the directory), then "> the command" on the next line.
bool npm_banner(const DiagState& st, NodeState& s, std::string_view t) {
  if (!starts_with(t, "> ")) return false;
  if (s.banner_line != 0 && st.total == s.banner_line + 1) return true;
  const std::string_view word = t.substr(2, t.find(' ', 2) - 2);
  const size_t at = word.rfind('@');
  if (at == 0 || at == std::string_view::npos || at + 1 >= word.size() || !is_digit(word[at + 1]) ||
      word.size() + 2 >= t.size())
    return false;
  s.banner_line = st.total;
  return true;
}

bool node_shape(const DiagState&, const NodeState&, const Line& l) {
  const char c = l.t[0];
  return c == '#' || c == '\xE2' || c == 't' || c == '>';
}

Verdict node_lines(DiagState& st, NodeState& s, const Line& l) {
  const std::string_view t = l.t;
  if (may_be_count_line(t) && node_count(st, t)) return Verdict::kRecognized;
  if (t[0] == '>') return npm_banner(st, s, t) ? Verdict::kRecognized : Verdict::kNotMine;
  if (t == "\xE2\x9C\x96 failing tests:") {  // "✖ failing tests:" repeats the failures
    close_failure(st);
    st.repeats = true;
    return Verdict::kRecognized;
  }
  if (starts_with(t, "test at ")) {
    const std::string_view place = frame_place(t.substr(8));
    if (place.empty()) return Verdict::kNotMine;
    close_failure(st);
    st.early_place = std::string(place);
    return Verdict::kRecognized;
  }
  return Verdict::kNotMine;
}

}  // namespace

const DiagFamily kDiagNode = diag_family<NodeState, node_shape, node_lines>("node");

}  // namespace zub
