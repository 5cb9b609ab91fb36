// TAP (node --test's TAP reporter, prove -v, any Test Anything Protocol
// producer): "ok 3 - name" is a pass ("ok" also starts go test's package
// line), "not ok 3 - name" a failure that the test-results row lists, and
// "---" right under a test line opens the indented YAML block that says
// where and why it failed, up to "...".
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct TapState : DiagFamilyState {
  bool in_block = false;
  uint64_t test_line = 0;  // the index of the last "ok"/"not ok" line
  std::string declared;    // the block's "location:", the test's declaration
};

// A place quoted in a YAML value ('x.js:3:1') without its quotes.
std::string_view unquoted(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '\'' || v.front() == '"') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// A line of a failing test's block: the first frame of its "stack:" (else
// its "location:") and its "error:" message go onto the failure line.
void add_detail(DiagState& st, TapState& s, std::string_view t, Pending pending) {
  DiagFailure* f = open_failure(st);
  if (f == nullptr) return;
  if (pending == Pending::kTapMessage) {
    if (f->message.empty()) f->message = byte_cut(t, kDiagErrorBytes);
  } else if (pending == Pending::kTapStack) {
    // "TestContext.<anonymous> (/x/math.test.js:9:10)": the assertion's
    // place, better than the test's declaration.
    const std::string_view place = frame_place(t);
    if (f->place.empty() && !place.empty()) f->place = byte_cut(place, 200);
  } else if (starts_with(t, "location: ")) {
    s.declared = byte_cut(unquoted(trim_ws(t.substr(10))), 200);
  } else if (starts_with(t, "stack: ")) {
    st.pending = Pending::kTapStack;
  } else if (starts_with(t, "error: ")) {
    const std::string_view msg = trim_ws(t.substr(7));
    if (msg == "|-" || msg == "|" || msg == ">-" || msg == ">") {
      st.pending = Pending::kTapMessage;
    } else if (f->message.empty()) {
      f->message = byte_cut(unquoted(msg), kDiagErrorBytes);
    }
  }
}

// The block ended: a failure with no frame takes the declared location.
void end_block(DiagState& st, TapState& s) {
  s.in_block = false;
  DiagFailure* f = open_failure(st);
  if (f != nullptr && f->place.empty()) f->place = s.declared;
  s.declared.clear();
}

bool tap_shape(const DiagState&, const TapState& s, const Line& l) {
  return s.in_block || l.t[0] == '-' || l.t[0] == 'o' || l.t[0] == 'n';
}

Verdict tap_lines(DiagState& st, TapState& s, const Line& l) {
  if (s.in_block) {
    if (!l.raw.empty() && (l.raw[0] == ' ' || l.raw[0] == '\t')) {
      if (l.t == "...") {
        end_block(st, s);
      } else {
        add_detail(st, s, l.t, l.pending);
      }
      return Verdict::kRecognized;
    }
    end_block(st, s);
  }
  if (l.t == "---") {
    if (!right_after(s.test_line, l)) return Verdict::kNotMine;
    s.in_block = true;
    return Verdict::kRecognized;
  }
  if (starts_with(l.t, "ok ")) {
    s.test_line = l.index;
    ++st.passed;
    close_failure(st);
    return Verdict::kRecognized;
  }
  // The failure itself is the test-results row's; its block is read here.
  if (starts_with(l.t, "not ok ")) s.test_line = l.index;
  return Verdict::kNotMine;
}

}  // namespace

const DiagFamily kDiagTap = diag_family<TapState, tap_shape, tap_lines>("tap");

}  // namespace zub
