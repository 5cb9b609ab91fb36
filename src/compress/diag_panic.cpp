// Rust's and Go's panics: "thread 'tests::x' (123) panicked at
// src/lib.rs:16:9:" (before Rust 1.73 "panicked at 'msg', src/lib.rs:16:9")
// and "panic: msg" are error lines; the first names a failing test of
// cargo test and its place. A header that ends with a colon takes the next
// line as its message (diag.cpp joins it before any row sees it).
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

// "'msg', src/x.rs:3:5" gives "src/x.rs:3:5".
std::string_view after_quote(std::string_view t) {
  const size_t close = t.rfind("', ");
  return close == std::string_view::npos ? std::string_view() : t.substr(close + 3);
}

void locate_panicking_test(DiagState& st, std::string_view t) {
  const size_t close = t.find('\'', 8);
  const size_t at = t.find(" panicked at ");
  if (close == std::string_view::npos || at == std::string_view::npos) return;
  std::string_view place = trim_ws(t.substr(at + 13));
  if (starts_with(place, "'")) place = after_quote(place);
  if (ends_with(place, ":")) place.remove_suffix(1);
  locate_named(st, t.substr(8, close - 8), place);
}

bool panic_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  return l.t[0] == 'p' || l.t[0] == 't';
}

Verdict panic_lines(DiagState& st, NoFamilyState&, const Line& l) {
  const bool thread = starts_with(l.t, "thread '") && contains(l.t, " panicked at ");
  if (!thread && !starts_with(l.t, "panic: ")) return Verdict::kNotMine;
  record_error(st, l.t);
  if (thread) locate_panicking_test(st, l.t);
  if (ends_with(l.t, ":")) st.pending = Pending::kErrorMessage;  // the message follows
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagPanic = diag_family<NoFamilyState, panic_shape, panic_lines>("panic");

}  // namespace zub
