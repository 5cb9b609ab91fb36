// rustc and ruff: source quoted in a gutter ("12 | let x", "| x", jest's
// and tsc's "> 12 | x" too), the "--> path:3:5" under a header, which goes
// in front of it, "= note: ..", "help: ..", and ruff's code-first lines
// ("F401 [*] `os` imported but unused"), counted by rule. The headers
// themselves ("error[E0308]: ...") are the compiler row's.
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct RustcState : DiagFamilyState {
  bool after_gutter = false;  // a quoted source line came since the last place
};

// "12 | let x", "| x" and jest's "> 12 | x" are source gutter lines:
// nothing but a line number stands before the first bar.
bool is_gutter(std::string_view t) {
  if (starts_with(t, "|")) return true;
  const size_t bar = t.find('|');
  if (bar == std::string_view::npos) return false;
  std::string_view before = trim_ws(t.substr(0, bar));
  if (starts_with(before, ">")) before = before.substr(1);
  size_t i = 0;
  while (i < before.size()) {
    if (is_digit(before[i])) {
      ++i;
    } else if (size_t w = white_space_len_at(before, i)) {
      i += w;
    } else {
      return false;
    }
  }
  return true;
}

bool rustc_shape(const DiagState&, const RustcState&, const Line& l) {
  const char c = l.t[0];
  return c == '|' || c == '>' || c == '-' || c == '=' || c == 'h' || is_digit(c) || is_upper(c);
}

Verdict rustc_lines(DiagState& st, RustcState& s, const Line& l) {
  if (is_gutter(l.t)) {
    s.after_gutter = true;
    return Verdict::kRecognized;
  }
  if (l.t == "=") return Verdict::kRecognized;
  if (l.t.size() == 1) return Verdict::kNotMine;
  if (starts_with(l.t, "-->")) {
    const std::string_view place = trim_ws(l.t.substr(3));
    if (st.current_file.empty() || s.after_gutter) st.current_file = std::string(place);
    s.after_gutter = false;
    attach_location(st, l.pending, place);
    return Verdict::kRecognized;
  }
  if (starts_with(l.t, "help:") || starts_with(l.t, "=")) return Verdict::kRecognized;
  if (l.space == std::string_view::npos || !is_rule_code(l.t.substr(0, l.space)))
    return Verdict::kNotMine;
  record_rule(st, "ruff:" + std::string(l.t.substr(0, l.space)), byte_cut(l.t, 150));
  st.pending = Pending::kNone;
  s.after_gutter = false;
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagRustc = diag_family<RustcState, rustc_shape, rustc_lines>("rustc");

}  // namespace zub
