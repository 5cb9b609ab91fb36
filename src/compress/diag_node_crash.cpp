// node's report of an uncaught exception: the place it was thrown, "/x/a.js:9"
// alone on its line, then the source line and a caret, then "TypeError: msg"
// and the stack. The error line is listed with that place in front; its
// column comes from the first frame when that frame is the same line, and
// when the throw was in node_modules the first frame outside it and node's
// internals (the caller's own line) follows as "(from x.js:5:17)".
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct NodeCrashState : DiagFamilyState {
  std::string place;        // "/x/a.js:9" of the last place line
  uint64_t place_line = 0;  // its index
  size_t error = SIZE_MAX;  // the error line it placed, while its frames follow
  bool framed = false;      // a frame has been taken for it
};

// "/x/a.js:9": a script's path and a line number, nothing else.
bool is_place_line(std::string_view t) {
  const size_t colon = t.rfind(':');
  if (colon == std::string_view::npos || colon == 0 || digits_at(t, colon + 1) == 0 ||
      colon + 1 + digits_at(t, colon + 1) != t.size() || t.find(' ') != std::string_view::npos)
    return false;
  const std::string_view path = t.substr(0, colon);
  for (std::string_view ext : {".js", ".mjs", ".cjs", ".ts", ".mts", ".cts", ".jsx", ".tsx"})
    if (ends_with(path, ext)) return true;
  return false;
}

// The frame's place taken for the error: its own column when it is the
// thrown line, else the caller after the error.
void take_frame(DiagState& st, NodeCrashState& s, std::string_view place) {
  if (s.error >= st.errors.size()) return;
  std::string& e = st.errors[s.error];
  if (starts_with(place, s.place) && place.size() > s.place.size() &&
      place[s.place.size()] == ':') {
    e = std::string(place) + e.substr(s.place.size());
  } else {
    e = std::string(byte_cut(e + " (from " + std::string(place) + ")", kDiagErrorBytes + 80));
  }
}

bool node_crash_shape(const DiagState&, const NodeCrashState& s, const Line& l) {
  return s.error != SIZE_MAX || s.place_line != 0 || is_digit(l.t.back());
}

Verdict node_crash_lines(DiagState& st, NodeCrashState& s, const Line& l) {
  const std::string_view t = l.t;
  if (s.error != SIZE_MAX) {
    if (starts_with(t, "at ")) {
      if (!s.framed) {
        const std::string_view place = frame_place(t);
        if (!place.empty()) {
          take_frame(st, s, place);
          s.framed = true;
        }
      }
      return Verdict::kRecognized;
    }
    s.error = SIZE_MAX;
  }
  if (is_place_line(t)) {
    s.place = std::string(t);
    s.place_line = l.index;
    return Verdict::kContextOnly;
  }
  if (s.place_line == 0) return Verdict::kNotMine;
  if (l.index == s.place_line + 1) return Verdict::kRecognized;  // the source line quoted
  std::string_view name;
  if (l.index > s.place_line + 3 || !exception_line(t, name)) {
    if (l.index > s.place_line + 3) s.place_line = 0;
    return Verdict::kNotMine;
  }
  s.place_line = 0;
  const size_t kept = st.errors.size();
  record_error(st, s.place + ": " + std::string(t));
  st.pending = Pending::kNone;
  if (st.errors.size() > kept) {
    s.error = kept;
    s.framed = false;
  }
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagNodeCrash =
    diag_family<NodeCrashState, node_crash_shape, node_crash_lines>("node crash");

}  // namespace zub
