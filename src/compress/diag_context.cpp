// Lines that are known and worth nothing in a summary: carets under a
// quoted source line, banners, separators, stack frames and closing counts
// of compilers and test runners (is_context_line in diag_shapes.h).
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

bool context_shape(const DiagState&, const NoFamilyState&, const Line&) { return true; }

Verdict context(DiagState&, NoFamilyState&, const Line& l) {
  return yes(is_caret_line(l.t) || is_context_line(l.t, l.pairs));
}

}  // namespace

const DiagFamily kDiagContext = diag_family<NoFamilyState, context_shape, context>("context");

}  // namespace zub
