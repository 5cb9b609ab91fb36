// Build tools and installers: cmake's "[ 28%] Building ...", ninja's
// "[3/40] ...", make's "Entering directory" (the compiler's relative paths
// are from there), apt's and pip's fetching and installing are progress,
// counted and left out. make's "***" lines: an echo of a failed recipe
// ("make[2]: *** [x.make:90: a.o] Error 1") is counted, since the error
// came before it; any other ("No rule to make target") is an error, as is
// ninja's "build stopped".
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

// The first bytes of every line below: the install progress words, "[",
// "make", "gmake", "ninja".
bool make_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  switch (l.t[0]) {
    case '[':
    case 'm':
    case 'g':
    case 'n':
    case 'G':
    case 'H':
    case 'I':
    case 'F':
    case 'R':
    case 'B':
    case 'S':
    case 'P':
    case 'U':
    case 'C':
    case 'D': return true;
    default: return false;
  }
}

Verdict make_lines(DiagState& st, NoFamilyState&, const Line& l) {
  const std::string_view t = l.t;
  if (is_build_progress(t)) {
    ++st.progress;
    const size_t entering = t.find("Entering directory '");
    if (entering != std::string_view::npos && ends_with(t, "'")) {
      const size_t from = entering + 20;
      if (st.make_dirs.size() < 64) st.make_dirs.emplace_back(t.substr(from, t.size() - 1 - from));
    } else if (contains(t, ": Leaving directory '") && !st.make_dirs.empty()) {
      st.make_dirs.pop_back();
    }
    return Verdict::kRecognized;
  }
  if (!is_make_failure(t)) return Verdict::kNotMine;
  if (is_make_echo(t)) {
    record_echo(st, t);
    return Verdict::kRecognized;
  }
  record_error(st, t);
  if (ends_with(t, ":")) st.pending = Pending::kErrorMessage;  // the message follows
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagMake = diag_family<NoFamilyState, make_shape, make_lines>("make");

}  // namespace zub
