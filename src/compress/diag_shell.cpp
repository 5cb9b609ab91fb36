// A process the shell saw die ("Segmentation fault (core dumped)",
// "Killed"), the shell's own errors ("x: command not found", a script's
// syntax error), "fatal:" lines, a Ruby exception's first line: error
// lines. One that ends in a colon announces its message on the next line.
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

// A word every line below holds.
constexpr BytePairs kShellWords[] = {
    byte_pairs("Segmentation fault"),
    byte_pairs("(core dumped)"),
    byte_pairs("Killed"),
    byte_pairs("Aborted"),
    byte_pairs("Bus error"),
    byte_pairs("Illegal instruction"),
    byte_pairs("not found"),
    byte_pairs("syntax error near unexpected token"),
    byte_pairs(": Permission denied"),
    byte_pairs("fatal: "),
    byte_pairs(".rb:"),
};

bool shell_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  for (const BytePairs& w : kShellWords)
    if (may_hold(l.pairs, w)) return true;
  return false;
}

Verdict shell_lines(DiagState& st, NoFamilyState&, const Line& l) {
  if (!is_crash_or_shell_error(l.t)) return Verdict::kNotMine;
  record_error(st, l.t);
  if (ends_with(l.t, ":")) st.pending = Pending::kErrorMessage;  // the message follows
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagShell = diag_family<NoFamilyState, shell_shape, shell_lines>("shell");

}  // namespace zub
