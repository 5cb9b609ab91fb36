// TypeScript's compiler: "x.ts(3,5): error TS2304: ..." (plain) or
// "x.ts:3:5 - error TS2304: ..." (pretty): an error line, counted under its
// code.
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct TscState : DiagFamilyState {
  uint64_t last = 0;  // the index of the last error line or of a line explaining it
};

// An indented line right under an error line explains it ("  Type 'A' is
// not assignable to type 'B'."): part of that error, kept in the raw output.
bool explains(const TscState& s, const Line& l) {
  return right_after(s.last, l) && (l.raw[0] == ' ' || l.raw[0] == '\t');
}

bool tsc_shape(const DiagState&, const TscState& s, const Line& l) {
  static constexpr BytePairs kCode = byte_pairs("error TS");
  return may_hold(l.pairs, kCode) || explains(s, l);
}

// tsc: "x.ts(3,5): error TS2304: ..." or "x.ts:3:5 - error TS2304: ...".
Verdict typescript(DiagState& st, TscState& s, const Line& l) {
  const size_t at = find_bytes(l.t, "error TS");
  if (at == std::string_view::npos) {
    if (!explains(s, l)) return Verdict::kNotMine;
    s.last = l.index;
    return Verdict::kRecognized;
  }
  size_t end = at + 6;  // the run starts at "TS"
  while (end < l.t.size() && is_alnum(l.t[end])) ++end;
  record_rule(st, std::string(l.t.substr(at + 6, end - at - 6)), byte_cut(l.t, 180), true);
  record_error(st, l.t);
  st.expect_source = true;
  s.last = l.index;
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagTsc = diag_family<TscState, tsc_shape, typescript>("tsc");

}  // namespace zub
