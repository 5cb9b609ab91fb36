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

bool tsc_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  static constexpr BytePairs kCode = byte_pairs("error TS");
  return may_hold(l.pairs, kCode);
}

// tsc: "x.ts(3,5): error TS2304: ..." or "x.ts:3:5 - error TS2304: ...".
Verdict typescript(DiagState& st, NoFamilyState&, const Line& l) {
  const size_t at = find_bytes(l.t, "error TS");
  if (at == std::string_view::npos) return Verdict::kNotMine;
  size_t end = at + 6;  // the run starts at "TS"
  while (end < l.t.size() && is_alnum(l.t[end])) ++end;
  record_rule(st, std::string(l.t.substr(at + 6, end - at - 6)), byte_cut(l.t, 180), true);
  record_error(st, l.t);
  st.expect_source = true;
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagTsc = diag_family<NoFamilyState, tsc_shape, typescript>("tsc");

}  // namespace zub
