// A stack frame ("at f (x.test.js:8:29)") or vitest's "❯ x.test.js:9:29"
// under a failing test: its place, the first outside the runtime. Node and
// the JVM print an exception, then where it was thrown: that place goes in
// front of the exception's line.
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

bool frames_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  return l.t[0] == 'a' || l.t[0] == '\xE2';
}

Verdict test_frame(DiagState& st, NoFamilyState&, const Line& l) {
  std::string_view t = l.t;
  if (starts_with(t, "\xE2\x9D\xAF ")) {  // vitest "❯ x.test.js:9:29"
    t = t.substr(4);
    if (t.find(' ') != std::string_view::npos) return Verdict::kNotMine;
  } else if (!starts_with(t, "at ")) {
    return Verdict::kNotMine;
  }
  const std::string_view place = frame_place(t);
  if (place.empty()) return Verdict::kNotMine;
  // Node and the JVM print an exception, then where it was thrown.
  if (l.pending == Pending::kErrorLocation && st.pending_index < st.errors.size() &&
      !split_location(st.errors[st.pending_index]))
    attach_location(st, l.pending, place);
  locate_failure(st, place);
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagFrames = diag_family<NoFamilyState, frames_shape, test_frame>("frames");

}  // namespace zub
